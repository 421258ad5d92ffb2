// The export dialog: what its rows show for a workspace's recordings, the folder and file
// names it hands out, what it refuses, when it asks, and what it tells the learner after the
// files are written. Runs a real dialog on the test display; a picture of it is saved.
#include "ComparisonTrack.h"
#include "ExpProgBar.h"
#include "ExportFixtures.h"
#include "ExportJob.h"
#include "Exporter.h"
#include "ModalDriver.h"
#include "OctImgBtn.h"

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>
#include <unistd.h>

using namespace exporttest;

namespace {
const QString kInvalid = QStringLiteral("无效导出！");

template <typename W> W* child(QWidget& parent, const char* name)
{
    return parent.findChild<W*>(QLatin1String(name));
}

QString text(QWidget& d, const char* name) { return child<QLineEdit>(d, name)->text(); }

// Answers a question box with one of its standard buttons.
ModalDriver::Answer press(QMessageBox::StandardButton which)
{
    return [which](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (QAbstractButton* button = box ? box->button(which) : nullptr)
            button->click();
        else
            modal->close();
    };
}
}  // namespace

class TestExporter : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString recording;  // one real recording, copied wherever one is needed
    QString shots;

    // A fresh workspace with the named recordings present.
    QString workspace(const QString& name, bool imitation, int sentences, bool retelling,
                      const QStringList& extra = {})
    {
        const QString ws = dir.filePath(name);
        for (const char* sub : {"imitatepieces", "shadowpieces", "retellpieces"})
            QDir().mkpath(ws + QLatin1Char('/') + QLatin1String(sub));
        if (imitation)
            QFile::copy(recording, ws + QStringLiteral("/imitatepieces/the-only-one.mp3"));
        if (retelling)
            QFile::copy(recording, ws + QStringLiteral("/retellpieces/the-only-one.mp3"));
        for (int i = 0; i < sentences; ++i)
            QFile::copy(recording, ws + QStringLiteral("/shadowpieces/recordpiece%1.mp3")
                                            .arg(i, 3, 10, QLatin1Char('0')));
        for (const QString& e : extra)
            QFile::copy(recording, ws + QStringLiteral("/shadowpieces/") + e);
        return ws;
    }

    QString folder(const QString& name)
    {
        const QString f = dir.filePath(name);
        QDir().mkpath(f);
        return f;
    }

    void setUp(Exporter& d, const QString& ws, int sentences)
    {
        d.setSentenceCount(sentences);
        d.setWorkspace(ws);
        d.refresh();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        recording = dir.filePath(QStringLiteral("take.mp3"));
        QVERIFY(writeRecording(recording, 0.5, 440));
        shots = qEnvironmentVariable("ECHORA_SHOTS",
                                     QDir::current().filePath(QStringLiteral("export-shots")));
        QVERIFY(QDir().mkpath(shots));
    }

    void formHasItsWidgetsAndTexts()
    {
        Exporter d;
        QCOMPARE(d.windowTitle(), QStringLiteral("导出录音文件"));
        QCOMPARE(d.minimumSize(), QSize(Exporter::kWidth, Exporter::kHeight));
        QCOMPARE(d.windowModality(), Qt::WindowModal);
        for (const char* name : {"btnExport", "btnCancel", "btnChoDir", "groupBox", "progImit",
                                 "progShad", "progRete", "imitFile", "shadFile", "reteFile",
                                 "expPath", "label", "label_2", "label_3", "label_7"})
            QVERIFY2(d.findChild<QWidget*>(QLatin1String(name)), name);
        for (const char* name : {"mainLayout", "groupLO", "gridLayout", "horizontalLayout",
                                 "horizontalLayout_2", "horizontalLayout_3", "horizontalLayout_4"})
            QVERIFY2(d.findChild<QLayout*>(QLatin1String(name)), name);
        const QList<std::pair<const char*, QString>> texts = {
            {"label_8", QStringLiteral("对同一模式（以及同一段落）的重复录音，新的会覆盖旧的。\n"
                                       "将您想保留的录音导出，就能放心覆盖了。")},
            {"label_4", QStringLiteral("为什么要导出录音？")},
            {"label_9", QStringLiteral("请比较原文和录音的时长。正常情况下，二者应相差不大。")},
            {"label_10",
             QStringLiteral("全部句子的录音都存在时，全部句子录音可合并导出成一个文件。")},
            {"label_11",
             QStringLiteral("请比较原文和录音的时长。二者相差大时，录音文件可能不正确。")},
            {"label_12", QStringLiteral("全文模仿：录音文件存在时导出有效")},
            {"label_13", QStringLiteral("跟读训练：全部句子的录音都存在时导出有效")},
            {"label_14", QStringLiteral("复述练习：录音文件存在时导出有效")},
            {"label", QStringLiteral("文件名")},
            {"label_7", QStringLiteral("导出到")}};
        for (const auto& [name, expected] : texts)
            QCOMPARE(child<QLabel>(d, name)->text(), expected);
        QCOMPARE(child<ExpProgBar>(d, "progShad")->format(), QStringLiteral("已录%v/总共%m句"));
        QCOMPARE(child<ExpProgBar>(d, "progImit")->maximum(), 1);
        QCOMPARE(child<OctImgBtn>(d, "btnExport")->size(), QSize(80, 26));
        QCOMPARE(child<OctImgBtn>(d, "btnChoDir")->size(), QSize(68, 21));
        QVERIFY(!child<QCheckBox>(d, "compChoose")->isChecked());
    }

    void onlyTheImitationIsPresent()
    {
        Exporter d;
        setUp(d, workspace(QStringLiteral("imit"), true, 0, false), 3);
        QCOMPARE(child<ExpProgBar>(d, "progImit")->text(), QStringLiteral("已录音"));
        QCOMPARE(child<ExpProgBar>(d, "progRete")->text(), QStringLiteral("未录音"));
        QVERIFY(!child<OctImgBtn>(d, "btnExport")->isEnabled());

        // The folder comes from the folder chooser.
        const QString out = folder(QStringLiteral("out-imit"));
        ModalDriver driver;
        driver.answerNext([out](QWidget* modal) { ModalDriver::pickFile(modal, out); });
        d.doChoDir();
        QCOMPARE(driver.title(), QStringLiteral("选择目标文件夹"));
        QCOMPARE(QDir(text(d, "expPath")).absolutePath(), QDir(out).absolutePath());
        QCOMPARE(text(d, "imitFile"), QStringLiteral("全文模仿.mp3"));
        QCOMPARE(text(d, "shadFile"), kInvalid);
        QCOMPARE(text(d, "reteFile"), kInvalid);
        QVERIFY(child<OctImgBtn>(d, "btnExport")->isEnabled());

        QString imitation, listenRepeat = QStringLiteral("keep"),
                           retelling = QStringLiteral("keep");
        d.getTargets(&imitation, &listenRepeat, &retelling);
        QCOMPARE(imitation, text(d, "expPath") + QStringLiteral("/全文模仿.mp3"));
        QCOMPARE(listenRepeat, QStringLiteral("keep"));
        QCOMPARE(retelling, QStringLiteral("keep"));
    }

    void listenRepeatNeedsEverySentence()
    {
        const QString ws = workspace(QStringLiteral("twelve"), false, 12, false);
        Exporter d;
        setUp(d, ws, 12);
        QCOMPARE(child<ExpProgBar>(d, "progShad")->text(), QStringLiteral("已录12/总共12句"));
        QVERIFY(child<QLineEdit>(d, "shadFile")->isEnabled());
        QVERIFY(child<QCheckBox>(d, "compChoose")->isEnabled());

        QFile::remove(ws + QStringLiteral("/shadowpieces/recordpiece005.mp3"));
        d.refresh();
        QCOMPARE(child<ExpProgBar>(d, "progShad")->text(), QStringLiteral("已录11/总共12句"));
        QVERIFY(!child<QLineEdit>(d, "shadFile")->isEnabled());
        QVERIFY(!child<QCheckBox>(d, "compChoose")->isEnabled());
    }

    void strayFilesAreNotCounted()
    {
        // Eleven recordings and a note: the note must not make the export look complete.
        const QString ws =
            workspace(QStringLiteral("stray"), false, 11, false,
                      {QStringLiteral("notes.txt"), QStringLiteral("recordpiece011.mp3.part")});
        Exporter d;
        setUp(d, ws, 12);
        QCOMPARE(child<ExpProgBar>(d, "progShad")->value(), 11);
        QVERIFY(!child<QLineEdit>(d, "shadFile")->isEnabled());
        QCOMPARE(Exporter::sentenceRecordings(ws).size(), 11);
    }

    void moreRecordingsThanSentences()
    {
        Exporter d;
        setUp(d, workspace(QStringLiteral("more"), false, 13, false), 12);
        QVERIFY(child<ExpProgBar>(d, "progShad")->value() != 13);
        QVERIFY(!child<QLineEdit>(d, "shadFile")->isEnabled());
    }

    void noSentencesNothingToJoin()
    {
        Exporter d;
        setUp(d, workspace(QStringLiteral("none"), false, 0, false), 0);
        QVERIFY(!child<QLineEdit>(d, "shadFile")->isEnabled());
    }

    void typedNamesAreUsedAsTyped()
    {
        Exporter d;
        setUp(d, workspace(QStringLiteral("typed"), true, 2, true), 2);
        const QString out = folder(QStringLiteral("out-typed"));
        child<QLineEdit>(d, "expPath")->setText(out);
        d.refresh();
        QCOMPARE(text(d, "shadFile"), QStringLiteral("跟读训练.mp3"));
        QCOMPARE(text(d, "reteFile"), QStringLiteral("源语复述.mp3"));
        child<QLineEdit>(d, "imitFile")->setText(QStringLiteral("my first take.mp3"));
        QString imitation, listenRepeat, retelling, comparison;
        d.getTargets(&imitation, &listenRepeat, &retelling);
        d.getComparison(&comparison);
        QCOMPARE(imitation, out + QStringLiteral("/my first take.mp3"));
        QCOMPARE(listenRepeat, out + QStringLiteral("/跟读训练.mp3"));
        QCOMPARE(retelling, out + QStringLiteral("/源语复述.mp3"));
        QVERIFY(comparison.isEmpty());  // off unless chosen
        child<QCheckBox>(d, "compChoose")->setChecked(true);
        QVERIFY(child<QLineEdit>(d, "compFile")->isEnabled());
        d.getComparison(&comparison);
        QCOMPARE(comparison, out + QStringLiteral("/对比音频.mp3"));
    }

    void exportWaitsForAUsableFolder()
    {
        Exporter d;
        setUp(d, workspace(QStringLiteral("folder"), true, 0, false), 1);
        auto* path = child<QLineEdit>(d, "expPath");
        QVERIFY(!child<OctImgBtn>(d, "btnExport")->isEnabled());
        ModalDriver driver;

        // A folder that does not exist.
        const QString missing = dir.filePath(QStringLiteral("no/such/folder"));
        path->setText(missing);
        d.refresh();
        QVERIFY(child<OctImgBtn>(d, "btnExport")->isEnabled());
        driver.answerNext(ModalDriver::accept);
        d.show();
        d.accept();
        QVERIFY(driver.shown());
        QVERIFY2(driver.text().contains(missing), qPrintable(driver.text()));
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(d.isVisible());

        // A file where the folder should be.
        path->setText(recording);
        driver.answerNext(ModalDriver::accept);
        d.accept();
        QVERIFY(driver.shown());
        QCOMPARE(d.result(), int(QDialog::Rejected));

        // A folder that cannot be written (root may write anywhere).
        if (::geteuid() != 0) {
            const QString locked = folder(QStringLiteral("locked"));
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
            path->setText(locked);
            driver.answerNext(ModalDriver::accept);
            d.accept();
            QVERIFY(driver.shown());
            QVERIFY(driver.text().contains(locked));
            QCOMPARE(d.result(), int(QDialog::Rejected));
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }

        // An empty file name.
        path->setText(folder(QStringLiteral("out-empty-name")));
        d.refresh();
        child<QLineEdit>(d, "imitFile")->clear();
        driver.answerNext(ModalDriver::accept);
        d.accept();
        QVERIFY(driver.shown());
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }

    void replacingAFileIsAskedFirst()
    {
        Exporter d;
        setUp(d, workspace(QStringLiteral("replace"), true, 0, false), 1);
        const QString out = folder(QStringLiteral("out-replace"));
        child<QLineEdit>(d, "expPath")->setText(out);
        d.refresh();
        QFile old(out + QStringLiteral("/全文模仿.mp3"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        d.show();

        ModalDriver driver;
        driver.answerNext(press(QMessageBox::No));
        d.accept();
        QVERIFY(driver.shown());
        QVERIFY(driver.text().contains(old.fileName()));
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(d.isVisible());

        driver.answerNext(press(QMessageBox::Yes));
        d.accept();
        QVERIFY(driver.shown());
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }

    void successIsToldOnlyOnceTheFilesAreWritten()
    {
        Exporter d;
        setUp(d, workspace(QStringLiteral("notice"), true, 0, false), 1);
        const QString out = folder(QStringLiteral("out-notice"));
        child<QLineEdit>(d, "expPath")->setText(out);
        d.refresh();
        d.show();

        // Accepting tells nothing yet.
        ModalDriver driver;
        driver.answerNext(ModalDriver::accept);
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QTest::qWait(100);
        QVERIFY(!driver.shown());

        QString imitation, unused1, unused2;
        d.getTargets(&imitation, &unused1, &unused2);
        ExportJob job;
        job.addJoin(imitation, {recording});
        bool writtenWhenTold = false;
        driver.answerNext([&](QWidget* modal) {
            writtenWhenTold = QFileInfo(imitation).size() == QFileInfo(recording).size();
            ModalDriver::accept(modal);
        });
        d.runExport(job);
        QVERIFY(driver.shown());
        QCOMPARE(driver.title(), QStringLiteral("提示"));
        QCOMPARE(driver.text(), QStringLiteral("导出成功"));
        QVERIFY(writtenWhenTold);
    }

    void failureSaysWhichFileAndWhy()
    {
        Exporter d;
        const QString out = folder(QStringLiteral("out-failure"));
        const QString missing = dir.filePath(QStringLiteral("gone/recordpiece000.mp3"));
        ExportJob job;
        job.addJoin(out + QStringLiteral("/a.mp3"), {recording});
        job.addJoin(out + QStringLiteral("/b.mp3"), {missing, recording});
        ModalDriver driver;
        driver.answerNext(ModalDriver::accept);
        d.runExport(job);
        QVERIFY(driver.shown());
        QVERIFY2(driver.text().contains(QStringLiteral("导出失败")) &&
                     driver.text().contains(missing) &&
                     driver.text().contains(out + QStringLiteral("/a.mp3")),
                 qPrintable(driver.text()));
        QVERIFY(!driver.text().contains(QStringLiteral("导出成功")));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/b.mp3")));
    }

    void theComparisonTrackShowsItsProgress()
    {
        const QString material = dir.filePath(QStringLiteral("material.mp3"));
        QVERIFY(writeRecording(material, 12.0, 440));
        std::vector<float> starts;
        QStringList voices;
        for (int i = 0; i < 4; ++i) {
            starts.push_back(3.0f * float(i));
            voices << recording;
        }
        const QString target =
            folder(QStringLiteral("out-comparison")) + QStringLiteral("/对比音频.mp3");
        ExportJob job;
        job.addComparison(target, ComparisonTrack(material, starts, voices));

        // Watches the progress window and answers the notice that follows it.
        Exporter d;
        bool progressShown = false;
        int lastValue = -1;
        QString notice;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &d, [&] {
            if (auto* p = d.findChild<QProgressDialog*>(QStringLiteral("exportProgress"));
                p && p->isVisible()) {
                progressShown = true;
                lastValue = p->value();
            }
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                notice = box->text();
                box->accept();
            }
        });
        watch.start(5);
        d.runExport(job);
        watch.stop();
        QVERIFY(progressShown);
        QVERIFY(lastValue >= 0);
        QCOMPARE(notice, QStringLiteral("导出成功"));
        QVERIFY(QFileInfo(target).size() > 0);
    }

    void barsArePaintedAsCapsules()
    {
        ExpProgBar bar;
        bar.resize(120, 18);
        bar.setMaximum(4);
        bar.setValue(2);
        bar.setFormat(QString());
        const QImage half = bar.render();
        QCOMPARE(half.size(), QSize(120, 18));
        QCOMPARE(QColor(half.pixel(0, 0)), QColor(0xF7, 0xF7, 0xF7));    // outside the capsule
        QCOMPARE(QColor(half.pixel(100, 9)), QColor(0xF7, 0xF7, 0xF7));  // beyond the value
        // Inside the value: the gradient, lighter at the top than at the bottom.
        const QColor top(half.pixel(30, 2)), bottom(half.pixel(30, 15));
        QVERIFY(top.blue() > top.red() && bottom.blue() > bottom.red());
        QVERIFY(top.lightness() > bottom.lightness());
        // The outline along the top edge.
        const QColor edge(half.pixel(90, 0));
        QVERIFY(edge != QColor(0xF7, 0xF7, 0xF7) && edge.blue() > edge.red());

        bar.setValue(4);
        QVERIFY(QColor(bar.render().pixel(100, 9)).blue() > 150);
        QCOMPARE(QColor(bar.render().pixel(100, 9)).red() < 150, true);
    }

    void pictureOfTheDialog()
    {
        Exporter d;
        setUp(d, workspace(QStringLiteral("picture"), true, 9, false), 12);
        child<QLineEdit>(d, "expPath")->setText(folder(QStringLiteral("导出")));
        d.refresh();
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.size().width() >= Exporter::kWidth, true);
        const QImage image = d.grab().toImage();
        QVERIFY(image.save(shots + QStringLiteral("/exporter.png")));
        qInfo("picture: %s", qPrintable(shots + QStringLiteral("/exporter.png")));
    }
};

QTEST_MAIN(TestExporter)
#include "tst_exporter.moc"
