#include "Exporter.h"

#include "ExpProgBar.h"
#include "ExportJob.h"
#include "OctImgBtn.h"
#include "Picture.h"
#include "QSkinObject.h"

#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>

namespace {
const QString kImitationSource = QStringLiteral("%1/imitatepieces/the-only-one.mp3");
const QString kRetellingSource = QStringLiteral("%1/retellpieces/the-only-one.mp3");
const QString kSentenceFolder = QStringLiteral("%1/shadowpieces");
const QString kImitationName = QStringLiteral("全文模仿.mp3");
const QString kListenRepeatName = QStringLiteral("跟读训练.mp3");
const QString kRetellingName = QStringLiteral("源语复述.mp3");
const QString kComparisonName = QStringLiteral("对比音频.mp3");
const QString kInvalid = QStringLiteral("无效导出！");
const QString kNoticeTitle = QStringLiteral("提示");
const QString kFileNameLabel = QStringLiteral("文件名");
// How often the progress of a running export is looked at.
constexpr int kProgressPollMs = 50;
// A quick export finishes without the progress window ever showing.
constexpr int kProgressShowAfterMs = 400;
constexpr int kButtonStates = 4;

template <typename W> W* make(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    QLabel* l = make<QLabel>(parent, name);
    l->setText(text);
    return l;
}

QLabel* hint(QWidget* parent, const char* name, const QString& text)
{
    QLabel* l = label(parent, name, text);
    l->setStyleSheet(QStringLiteral("color: #6E7C87;"));
    l->setWordWrap(true);
    return l;
}

void setState(ExpProgBar* bar, QLineEdit* name, bool present)
{
    bar->setValue(present ? 1 : 0);
    bar->setFormat(present ? QStringLiteral("已录音") : QStringLiteral("未录音"));
    name->setEnabled(present);
}

void warn(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, kNoticeTitle, text);
}
}  // namespace

Exporter::Exporter(QWidget* parent) : QDialog(parent)
{
    buildForm();
    setUpFrame();
    setFocusPolicy(Qt::StrongFocus);
    setWindowModality(Qt::WindowModal);
    resize(kWidth, kHeight);
    if (const QScreen* screen = this->screen()) {
        const QRect desk = screen->availableGeometry();
        if (desk.width() >= width() && desk.height() >= height())
            move(desk.center() - rect().center());
    }
    expPath->setFocus();
}

void Exporter::buildForm()
{
    setWindowTitle(QStringLiteral("导出录音文件"));
    setWindowIcon(Picture::icon(QStringLiteral(":/images/bg-export-wndicon.png")));
    // The skinned frame draws the title picture at this size in place of a title text.
    setWindowIconText(QStringLiteral("146x32"));
    setMinimumSize(kWidth, kHeight);

    auto* mainLayout = new QVBoxLayout(this);
    mainLayout->setObjectName(QStringLiteral("mainLayout"));

    auto* horizontalLayout = new QHBoxLayout;
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    label_4 = label(this, "label_4", QStringLiteral("为什么要导出录音？"));
    QFont bold = label_4->font();
    bold.setBold(true);
    label_4->setFont(bold);
    horizontalLayout->addWidget(label_4);
    horizontalLayout->addStretch();
    mainLayout->addLayout(horizontalLayout);
    label_8 = hint(this, "label_8",
                   QStringLiteral("对同一模式（以及同一段落）的重复录音，新的会覆盖旧的。\n"
                                  "将您想保留的录音导出，就能放心覆盖了。"));
    mainLayout->addWidget(label_8);

    auto* groupBox = make<QGroupBox>(this, "groupBox");
    auto* groupLO = new QVBoxLayout(groupBox);
    groupLO->setObjectName(QStringLiteral("groupLO"));
    auto* gridLayout = new QGridLayout;
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setVerticalSpacing(3);
    groupLO->addLayout(gridLayout);

    struct Row {
        QLabel** heading;
        const char* headingName;
        QString headingText;
        ExpProgBar** bar;
        const char* barName;
        const char* fileLabelName;
        QLineEdit** file;
        const char* fileName;
        QLabel** hint;
        const char* hintName;
        QString hintText;
    };
    const Row rows[] = {
        {&label_12, "label_12", QStringLiteral("全文模仿：录音文件存在时导出有效"), &progImit,
         "progImit", "label", &imitFile, "imitFile", &label_9, "label_9",
         QStringLiteral("请比较原文和录音的时长。正常情况下，二者应相差不大。")},
        {&label_13, "label_13", QStringLiteral("跟读训练：全部句子的录音都存在时导出有效"),
         &progShad, "progShad", "label_2", &shadFile, "shadFile", &label_10, "label_10",
         QStringLiteral("全部句子的录音都存在时，全部句子录音可合并导出成一个文件。")},
        {&label_14, "label_14", QStringLiteral("复述练习：录音文件存在时导出有效"), &progRete,
         "progRete", "label_3", &reteFile, "reteFile", &label_11, "label_11",
         QStringLiteral("请比较原文和录音的时长。二者相差大时，录音文件可能不正确。")},
    };
    int line = 0;
    for (const Row& row : rows) {
        *row.heading = label(groupBox, row.headingName, row.headingText);
        *row.bar = make<ExpProgBar>(groupBox, row.barName);
        (*row.bar)->setMaximum(1);
        (*row.bar)->setAlignment(Qt::AlignCenter);
        (*row.bar)->setFixedHeight(18);
        *row.file = make<QLineEdit>(groupBox, row.fileName);
        *row.hint = hint(groupBox, row.hintName, row.hintText);
        gridLayout->addWidget(*row.heading, line, 0, 1, 2);
        gridLayout->addWidget(*row.bar, line, 2);
        gridLayout->addWidget(label(groupBox, row.fileLabelName, kFileNameLabel), line + 1, 0);
        gridLayout->addWidget(*row.file, line + 1, 1, 1, 2);
        gridLayout->addWidget(*row.hint, line + 2, 0, 1, 3);
        line += 3;
    }
    progShad->setFormat(QStringLiteral("已录%v/总共%m句"));
    gridLayout->setColumnStretch(1, 1);
    gridLayout->setColumnStretch(2, 1);

    // The comparison track: every sentence followed by the learner's recording of it.
    auto* horizontalLayout_4 = new QHBoxLayout;
    horizontalLayout_4->setObjectName(QStringLiteral("horizontalLayout_4"));
    compChoose = make<QCheckBox>(groupBox, "compChoose");
    compChoose->setText(QStringLiteral("对比音频"));
    compHint = hint(groupBox, "compHint",
                    QStringLiteral("每句原文之后接您的录音；全部句子的录音都存在时有效"));
    compHint->setWordWrap(false);
    horizontalLayout_4->addWidget(compChoose);
    horizontalLayout_4->addWidget(compHint, 1);
    gridLayout->addLayout(horizontalLayout_4, line, 0, 1, 3);
    compFile = make<QLineEdit>(groupBox, "compFile");
    compFile->setEnabled(false);
    gridLayout->addWidget(label(groupBox, "label_15", kFileNameLabel), line + 1, 0);
    gridLayout->addWidget(compFile, line + 1, 1, 1, 2);
    mainLayout->addWidget(groupBox);

    auto* horizontalLayout_2 = new QHBoxLayout;
    horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    horizontalLayout_2->addWidget(label(this, "label_7", QStringLiteral("导出到")));
    expPath = make<QLineEdit>(this, "expPath");
    horizontalLayout_2->addWidget(expPath, 1);
    btnChoDir = make<OctImgBtn>(this, "btnChoDir");
    horizontalLayout_2->addWidget(btnChoDir);
    mainLayout->addLayout(horizontalLayout_2);

    auto* horizontalLayout_3 = new QHBoxLayout;
    horizontalLayout_3->setObjectName(QStringLiteral("horizontalLayout_3"));
    horizontalLayout_3->addStretch();
    btnExport = make<OctImgBtn>(this, "btnExport");
    btnCancel = make<OctImgBtn>(this, "btnCancel");
    horizontalLayout_3->addWidget(btnExport);
    horizontalLayout_3->addWidget(btnCancel);
    mainLayout->addLayout(horizontalLayout_3);

    const struct {
        OctImgBtn* button;
        const char* sheet;
    } buttons[] = {{btnExport, ":/images/btn-exporter-export.png"},
                   {btnCancel, ":/images/btn-exporter-cancel.png"},
                   {btnChoDir, ":/images/btn-exporter-scan.png"}};
    for (const auto& b : buttons)
        b.button->setImages(Picture::pixmap(QLatin1String(b.sheet)), kButtonStates);

    connect(btnExport, &OctImgBtn::clicked, this, &Exporter::accept);
    connect(btnCancel, &OctImgBtn::clicked, this, &Exporter::reject);
    connect(btnChoDir, &OctImgBtn::clicked, this, &Exporter::doChoDir);
    connect(expPath, &QLineEdit::textChanged, this, &Exporter::updateExportButton);
    connect(compChoose, &QCheckBox::toggled, compFile, &QLineEdit::setEnabled);
    connect(compChoose, &QCheckBox::toggled, this, &Exporter::updateExportButton);
    updateExportButton();
}

// The window frame: the dialogs' skin with a close button only. When the skin cannot be
// loaded the dialog keeps the system's frame (the skin object logs why), and stays opaque.
void Exporter::setUpFrame()
{
    setWindowFlags(Qt::Dialog);
    skin = new QSkinObject(this, QSkinObject::CloseOnly, this);
    skin->setSkinFile(QStringLiteral("./skin/exporter.ini"));
    skin->startSkinning();
    if (skin->isSkinning())
        setAttribute(Qt::WA_TranslucentBackground);
}

QString Exporter::imitationRecording(const QString& folder) { return kImitationSource.arg(folder); }

QString Exporter::retellingRecording(const QString& folder) { return kRetellingSource.arg(folder); }

QString Exporter::sentenceRecording(const QString& folder, unsigned index)
{
    return QStringLiteral("%1/recordpiece%2.mp3")
        .arg(kSentenceFolder.arg(folder))
        .arg(index, 3, 10, QLatin1Char('0'));
}

bool Exporter::isSentenceRecording(const QString& fileName)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("recordpiece[\\d]{3}\\.mp3")));
    return pattern.match(fileName).hasMatch();
}

QStringList Exporter::sentenceRecordings(const QString& folder)
{
    const QString dir = kSentenceFolder.arg(folder);
    QStringList paths;
    if (folder.isEmpty())
        return paths;
    const QStringList names = QDir(dir).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (isSentenceRecording(name))
            paths << dir + QLatin1Char('/') + name;
    }
    return paths;
}

void Exporter::setWorkspace(QString folder) { workspace = std::move(folder); }

void Exporter::setSentenceCount(int n)
{
    if (n != -1)
        progShad->setMaximum(n);
}

void Exporter::refresh()
{
    auto present = [this](const QString& path) {
        return !workspace.isEmpty() && QFileInfo(path).isFile();
    };
    setState(progImit, imitFile, present(imitationRecording(workspace)));
    setState(progRete, reteFile, present(retellingRecording(workspace)));
    // A count beyond the number of sentences is refused by the bar, which keeps its value.
    progShad->setValue(int(sentenceRecordings(workspace).size()));
    const bool everySentence = progShad->maximum() > 0 && progShad->value() == progShad->maximum();
    shadFile->setEnabled(everySentence);
    compChoose->setEnabled(everySentence);
    compFile->setEnabled(everySentence && compChoose->isChecked());
    if (!expPath->text().isEmpty())
        fillNames();
    updateExportButton();
    update();
}

void Exporter::fillNames()
{
    const struct {
        QLineEdit* edit;
        bool usable;
        const QString& name;
    } rows[] = {{imitFile, imitFile->isEnabled(), kImitationName},
                {shadFile, shadFile->isEnabled(), kListenRepeatName},
                {reteFile, reteFile->isEnabled(), kRetellingName},
                {compFile, compChoose->isEnabled(), kComparisonName}};
    for (const auto& row : rows)
        row.edit->setText(row.usable ? row.name : kInvalid);
}

bool Exporter::comparisonChosen() const
{
    return compChoose->isEnabled() && compChoose->isChecked();
}

void Exporter::updateExportButton()
{
    const bool anything = imitFile->isEnabled() || shadFile->isEnabled() || reteFile->isEnabled() ||
                          comparisonChosen();
    btnExport->setEnabled(!expPath->text().trimmed().isEmpty() && anything);
}

int Exporter::exec() { return QDialog::exec(); }

QString Exporter::target(const QLineEdit* name) const
{
    return QStringLiteral("%1/%2").arg(expPath->text(), name->text());
}

void Exporter::getTargets(QString* imitation, QString* listenRepeat, QString* retelling)
{
    if (imitFile->isEnabled())
        *imitation = target(imitFile);
    if (shadFile->isEnabled())
        *listenRepeat = target(shadFile);
    if (reteFile->isEnabled())
        *retelling = target(reteFile);
}

void Exporter::getComparison(QString* comparison)
{
    if (comparisonChosen())
        *comparison = target(compFile);
}

void Exporter::doChoDir()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("选择目标文件夹"),
                                                             QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    expPath->setText(folder);
    fillNames();
}

void Exporter::accept()
{
    if (checkTargets())
        QDialog::accept();
}

// Refuses a folder that cannot take the files and names that would collide, and asks before
// files that are already there get replaced.
bool Exporter::checkTargets()
{
    const QString folder = expPath->text();
    if (folder.trimmed().isEmpty()) {
        warn(this, QStringLiteral("请先选择导出到的文件夹。"));
        return false;
    }
    const QFileInfo place(folder);
    if (!place.isDir()) {
        warn(this, QStringLiteral("文件夹不存在：%1").arg(folder));
        return false;
    }
    if (!place.isWritable()) {
        warn(this, QStringLiteral("没有权限写入文件夹：%1").arg(folder));
        return false;
    }
    QStringList targets;
    for (const QLineEdit* edit : {imitFile, shadFile, reteFile, compFile}) {
        if (!edit->isEnabled() || (edit == compFile && !comparisonChosen()))
            continue;
        if (edit->text().trimmed().isEmpty()) {
            warn(this, QStringLiteral("请填写文件名。"));
            return false;
        }
        targets << target(edit);
    }
    if (targets.isEmpty()) {
        warn(this, QStringLiteral("没有可导出的录音。"));
        return false;
    }
    QSet<QString> seen;
    QStringList existing;
    for (const QString& t : targets) {
        const QString canonical = QFileInfo(t).absoluteFilePath();
        if (seen.contains(canonical)) {
            warn(this, QStringLiteral("两个导出文件同名：%1").arg(t));
            return false;
        }
        seen.insert(canonical);
        if (QFileInfo::exists(t))
            existing << t;
    }
    if (existing.isEmpty())
        return true;
    return QMessageBox::question(this, kNoticeTitle,
                                 QStringLiteral("以下文件已经存在，要替换吗？\n%1")
                                     .arg(existing.join(QLatin1Char('\n'))),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void Exporter::runExport(const ExportJob& job)
{
    std::atomic<int> permille{0};
    std::atomic<bool> cancel{false};
    ExportJob::Outcome outcome;
    QProgressDialog progress(QStringLiteral("正在导出录音……"), QStringLiteral("取消"), 0,
                             ExportJob::kPermille, this);
    progress.setObjectName(QStringLiteral("exportProgress"));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressShowAfterMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    connect(&progress, &QProgressDialog::canceled, &progress, [&cancel] { cancel = true; });

    // A comparison track takes a while: its progress shows from the start.
    if (job.hasComparison())
        progress.show();
    QThread* worker = QThread::create([&] { outcome = job.run(permille, cancel); });
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &progress, [&] { progress.setValue(permille); });
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    poll.start(kProgressPollMs);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    poll.stop();
    progress.close();

    if (outcome.ok()) {
        doNotice();
        return;
    }
    QString text =
        QStringLiteral("导出失败\n文件：%1\n原因：%2").arg(outcome.failedFile, outcome.reason);
    if (!outcome.written.isEmpty())
        text += QStringLiteral("\n已导出：%1").arg(outcome.written.join(QStringLiteral("，")));
    warn(this, text);
}

void Exporter::doNotice()
{
    QMessageBox::information(this, kNoticeTitle, QStringLiteral("导出成功"), QMessageBox::Ok);
}
