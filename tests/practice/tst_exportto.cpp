// The controller's export operation driven through a recording fake of the export dialog: the
// order of the calls, the targets it builds from the dialog's answers, and the files written.
#include "Echora.h"
#include "ExportJob.h"
#include "Fakes.h"
#include "TestSupport.h"
#include "vExporter.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <memory>

namespace {
class FakeExporter : public vExporter {
public:
    QStringList calls;
    bool accept = true;
    QString imitation, listenRepeat, retelling, comparison;
    QStringList jobTargets;
    ExportJob::Outcome outcome;

    void setWorkspace(QString folder) override
    {
        calls << QStringLiteral("setWorkspace ") + folder;
    }
    void refresh() override { calls << QStringLiteral("refresh"); }
    void setSentenceCount(int n) override { calls << QStringLiteral("setSentenceCount %1").arg(n); }
    int exec() override
    {
        calls << QStringLiteral("exec");
        return accept ? 1 : 0;
    }
    void getTargets(QString* a, QString* b, QString* c) override
    {
        calls << QStringLiteral("getTargets");
        if (!imitation.isEmpty())
            *a = imitation;
        if (!listenRepeat.isEmpty())
            *b = listenRepeat;
        if (!retelling.isEmpty())
            *c = retelling;
    }
    void getComparison(QString* c) override
    {
        calls << QStringLiteral("getComparison");
        if (!comparison.isEmpty())
            *c = comparison;
    }
    void runExport(const ExportJob& job) override
    {
        calls << QStringLiteral("runExport");
        jobTargets = job.targets();
        std::atomic<int> permille{0};
        std::atomic<bool> cancel{false};
        outcome = job.run(permille, cancel);
    }
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class TestExportTo : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;
    FakeCtrl ctrl;
    FakeTabs tabs;
    FakePlot rec, pce, ori;
    Echora* echora = nullptr;
    QString work;  // the material's practice folder

private Q_SLOTS:
    void initTestCase()
    {
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Bare);
        QVERIFY(root->isValid());
        QDir().mkpath(QStringLiteral("workspace"));
        QDir().mkpath(QStringLiteral("files"));
        QDir().mkpath(QStringLiteral("out"));
        QVERIFY(testsupport::makeAudio(QStringLiteral("workspace/talk.mp3"),
                                       QStringLiteral("sine=frequency=440:duration=3")));
        writeFile(QStringLiteral("workspace/talk.lrc"),
                  "[00:00.00]One.\n[00:01.00]Two.\n[00:02.00]Three.\n");
        echora = new Echora(&ctrl, &tabs, &rec, &pce, &ori, nullptr, nullptr);
        echora->choosePhase(0);
        echora->switchMaterial(QStringLiteral("./workspace/talk.mp3"));
        work = echora->practiceFolder();
        QCOMPARE(work, QStringLiteral("files/talk.mp3"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(testsupport::makeAudio(work + QStringLiteral("/shadowpieces/recordpiece%1.mp3")
                                                      .arg(i, 3, 10, QLatin1Char('0')),
                                           QStringLiteral("sine=frequency=660:duration=0.5"),
                                           {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
        writeFile(work + QStringLiteral("/shadowpieces/notes.txt"), "not a recording");
        QVERIFY(testsupport::makeAudio(work + QStringLiteral("/imitatepieces/the-only-one.mp3"),
                                       QStringLiteral("sine=frequency=550:duration=1")));
    }

    void cleanupTestCase()
    {
        delete echora;
        root.reset();
    }

    void aDeclinedDialogWritesNothing()
    {
        FakeExporter d;
        d.accept = false;
        d.imitation = QStringLiteral("out/never.mp3");
        echora->exportTo(&d);
        QCOMPARE(d.calls, (QStringList{QStringLiteral("setSentenceCount 3"),
                                       QStringLiteral("setWorkspace ") + work,
                                       QStringLiteral("refresh"), QStringLiteral("exec")}));
        QVERIFY(!QFileInfo::exists(QStringLiteral("out/never.mp3")));
    }

    void theChosenTargetsAreWritten()
    {
        FakeExporter d;
        d.imitation = QStringLiteral("out/全文模仿.mp3");
        d.listenRepeat = QStringLiteral("out/跟读训练.mp3");
        echora->exportTo(&d);
        QCOMPARE(d.calls.mid(4),
                 (QStringList{QStringLiteral("getTargets"), QStringLiteral("getComparison"),
                              QStringLiteral("runExport")}));
        QCOMPARE(d.jobTargets, (QStringList{d.imitation, d.listenRepeat}));
        QVERIFY2(d.outcome.ok(), qPrintable(d.outcome.failedFile + d.outcome.reason));
        QCOMPARE(readFile(d.imitation),
                 readFile(work + QStringLiteral("/imitatepieces/the-only-one.mp3")));
        // The three sentence recordings and nothing else: the note would break the stream.
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                     QStringLiteral("format=duration"), QStringLiteral("-of"),
                     QStringLiteral("default=nw=1:nk=1"), d.listenRepeat});
        QVERIFY(probe.waitForFinished(30000));
        const double seconds = probe.readAllStandardOutput().trimmed().toDouble();
        QVERIFY2(seconds > 1.5 && seconds < 1.7, QByteArray::number(seconds).constData());
    }

    void theComparisonTrackUsesTheMaterialsSentences()
    {
        FakeExporter d;
        d.comparison = QStringLiteral("out/对比音频.mp3");
        echora->exportTo(&d);
        QCOMPARE(d.jobTargets, QStringList{d.comparison});
        QVERIFY2(d.outcome.ok(), qPrintable(d.outcome.failedFile + d.outcome.reason));
        QVERIFY(QFileInfo(d.comparison).size() > 0);
    }

    void eachSentenceIsPairedWithItsOwnRecording()
    {
        // Three recordings, but the last sentence's is missing and a stale one stands in.
        const QString last = work + QStringLiteral("/shadowpieces/recordpiece002.mp3");
        const QString stale = work + QStringLiteral("/shadowpieces/recordpiece007.mp3");
        QVERIFY(QFile::rename(last, stale));
        FakeExporter d;
        d.comparison = QStringLiteral("out/对比音频-2.mp3");
        echora->exportTo(&d);
        QVERIFY(QFile::rename(stale, last));
        QVERIFY(!d.outcome.ok());
        QCOMPARE(d.outcome.failedFile, last);
        QVERIFY(!QFileInfo::exists(d.comparison));
    }
};

QTEST_MAIN(TestExportTo)
#include "tst_exportto.moc"
