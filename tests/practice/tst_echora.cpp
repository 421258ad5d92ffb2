// The practice controller driven through recording fakes of its views: opening materials,
// the sentence timeline, practice folders, recording paths and the recording lifecycle.
#include "Echora.h"
#include "Fakes.h"
#include "Mp3Probe.h"
#include "PaRecThread.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr int kRate = 44100;  // the recorder's sample rate

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray lrc(int sentences)
{
    QByteArray out = "[ti:Demo]\n";
    for (int i = 0; i < sentences; ++i)
        out += QStringLiteral("[%1:%2.50]Sentence %3.\r\n")
                   .arg(i / 60, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .arg(i)
                   .toUtf8();
    return out;
}

// Index of `call` in `calls` at or after `from`; -1 when absent.
qsizetype indexFrom(const QStringList& calls, const QString& call, qsizetype from)
{
    return calls.indexOf(call, from);
}
}  // namespace

class TestEchora : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString previous;
    QByteArray mp3;

    FakeCtrl ctrl;
    FakeTabs tabs;
    FakePlot rec, pce, ori;
    Echora* echora = nullptr;

    // A material in ./workspace/ made of the shared tone, with a sentence file of n sentences
    // (none when n < 0); empty when the files cannot be written.
    QString material(const QString& name, int sentences)
    {
        const QString path = QStringLiteral("./workspace/") + name;
        const QString base = path.left(path.lastIndexOf(QLatin1Char('.')));
        const bool written =
            writeFile(path, mp3) &&
            (sentences < 0 || writeFile(base + QStringLiteral(".lrc"), lrc(sentences)));
        return written ? path : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(root.path());
        QDir().mkpath(QStringLiteral("workspace/train"));
        QDir().mkpath(QStringLiteral("files"));
        QVERIFY(testsupport::makeAudio(QStringLiteral("tone.mp3"),
                                       QStringLiteral("sine=frequency=440:duration=3")));
        QFile f(QStringLiteral("tone.mp3"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        mp3 = f.readAll();
    }

    void cleanupTestCase() { QDir::setCurrent(previous); }

    void init()
    {
        ctrl = FakeCtrl();
        tabs = FakeTabs();
        rec = FakePlot();
        pce = FakePlot();
        ori = FakePlot();
        echora = new Echora(&ctrl, &tabs, &rec, &pce, &ori, nullptr, nullptr);
        echora->choosePhase(0);  // the window's first phase tab does this
    }

    void cleanup()
    {
        delete echora;
        echora = nullptr;
    }

    void constructionPreparesTheViews()
    {
        for (FakePlot* view : {&rec, &pce, &ori}) {
            QCOMPARE(view->tint, QColor(27, 177, 255, 82));
            QCOMPARE(view->handlerObject, echora);
        }
        QCOMPARE(rec.positionHandler, static_cast<vPlotWidget::PositionHandler>(&Echora::seekRec));
        QCOMPARE(ori.caption, QStringLiteral("请选择练习材料"));
        QCOMPARE(echora->currentPhase(), 0);
        QVERIFY(echora->materialName().isEmpty());
    }

    void switchMaterialCallSequence()
    {
        const QString path = material(QStringLiteral("seq.mp3"), 4);
        ctrl.calls.clear();
        echora->switchMaterial(path);
        const QStringList& c = ctrl.calls;
        const QStringList expected{
            QStringLiteral("setFullPlaying 0"), QStringLiteral("enablePractice 1"),
            QStringLiteral("enableOriPlay 1"),  QStringLiteral("enablePhase 0 1"),
            QStringLiteral("checkOriPlay 0"),   QStringLiteral("checkPcePlay 0"),
            QStringLiteral("enablePhase 1 1")};
        qsizetype at = 0;
        for (const QString& call : expected) {
            at = indexFrom(c, call, at);
            QVERIFY2(at >= 0, qPrintable(call + QStringLiteral(" missing or out of order")));
        }
        QCOMPARE(echora->sentences(), 4u);
        QCOMPARE(tabs.sentences.size(), 4);
        QCOMPARE(tabs.sentences[1], QStringLiteral("Sentence 1.\r\n"));
        QCOMPARE(echora->current(), 0u);
        QVERIFY(ctrl.phase1Enabled);
        QVERIFY(ori.fetching);  // the whole-material picture is on its way

        // Re-sending the open path changes nothing, even when its sentence file changed.
        QVERIFY(writeFile(QStringLiteral("./workspace/seq.lrc"), lrc(2)));
        ctrl.calls.clear();
        echora->switchMaterial(path);
        QVERIFY(ctrl.calls.isEmpty());
        QCOMPARE(echora->sentences(), 4u);
    }

    void practiceFoldersAndRecordingPaths()
    {
        const QString path = material(QStringLiteral("paths.mp3"), 1001);
        echora->switchMaterial(path);
        for (const char* sub : {"imitatepieces", "shadowpieces", "retellpieces"})
            QVERIFY(QDir(QStringLiteral("files/paths.mp3/%1").arg(QLatin1String(sub))).exists());
        QCOMPARE(echora->practiceFolder(), QStringLiteral("files/paths.mp3"));
        QCOMPARE(echora->recordingPath(),
                 QStringLiteral("files/paths.mp3/imitatepieces/the-only-one.mp3"));
        QCOMPARE(pce.caption, QStringLiteral("全文模仿时，不显示单句波形"));
        QCOMPARE(tabs.currentIndex, 1);
        QVERIFY(!tabs.tab0Enabled);
        QCOMPARE(ctrl.offsetX, -17);

        echora->choosePhase(1);
        QCOMPARE(echora->recordingPath(),
                 QStringLiteral("files/paths.mp3/shadowpieces/recordpiece000.mp3"));
        QCOMPARE(ori.times, &echora->times());
        QVERIFY(ori.sentenceHandler != nullptr);
        QVERIFY(pce.positionHandler != nullptr);
        QCOMPARE(tabs.currentIndex, 0);
        QCOMPARE(ctrl.offsetX, 0);
        echora->selectSentence(7);
        QCOMPARE(echora->recordingPath(),
                 QStringLiteral("files/paths.mp3/shadowpieces/recordpiece007.mp3"));
        QCOMPARE(ori.currentSentence, 7);
        QCOMPARE(tabs.shown, 7u);
        echora->selectSentence(1000);
        QCOMPARE(echora->recordingPath(),
                 QStringLiteral("files/paths.mp3/shadowpieces/recordpiece1000.mp3"));
        echora->selectSentence(1001);  // out of range: nothing changes
        QCOMPARE(echora->current(), 1000u);
        QCOMPARE(rec.caption, QStringLiteral("你还没有录音"));

        // An existing recording enables its play button and is plotted.
        QVERIFY(writeFile(QStringLiteral("files/paths.mp3/shadowpieces/recordpiece002.mp3"), mp3));
        echora->selectSentence(2);
        QVERIFY(ctrl.recEnabled);
        QVERIFY(rec.fetching);
        echora->selectSentence(3);
        QVERIFY(!ctrl.recEnabled);
        QCOMPARE(ctrl.recTime, QStringLiteral("00:00:00\n00:00:00"));

        echora->choosePhase(2);
        QCOMPARE(echora->recordingPath(),
                 QStringLiteral("files/paths.mp3/retellpieces/the-only-one.mp3"));
        QCOMPARE(pce.caption, QStringLiteral("复述练习时，不显示单句波形"));
        QCOMPARE(ori.times, nullptr);
        QCOMPARE(pce.positionHandler, nullptr);
    }

    void unusualNamesAndMissingSentences()
    {
        const QString path = material(QStringLiteral("我的 材料 one.mp3"), -1);
        echora->switchMaterial(path);
        QVERIFY(QDir(QStringLiteral("files/我的 材料 one.mp3/shadowpieces")).exists());
        QCOMPARE(echora->sentences(), 0u);
        QVERIFY(tabs.sentences.isEmpty());
        QVERIFY(!ctrl.phase1Enabled);
        QVERIFY(ctrl.practiceEnabled);
        // Without sentences the phase's recording still belongs to this material.
        QCOMPARE(echora->recordingPath(),
                 QStringLiteral("files/我的 材料 one.mp3/imitatepieces/the-only-one.mp3"));
        echora->playPce(true);  // no sentence: nothing to play
        QCOMPARE(echora->flags(), 0);
    }

    void closingOrMissingMaterialNeverReusesTheOldFolder()
    {
        echora->switchMaterial(material(QStringLiteral("old.mp3"), 3));
        QVERIFY(echora->recordingPath().startsWith(QStringLiteral("files/old.mp3/")));

        echora->switchMaterial(QStringLiteral("./workspace/does-not-exist.mp3"));
        QVERIFY(!ctrl.practiceEnabled);
        QVERIFY(!ctrl.oriEnabled);
        QVERIFY(!echora->recordingPath().contains(QStringLiteral("old.mp3")));
        QVERIFY(!QDir(QStringLiteral("files/does-not-exist.mp3")).exists());

        echora->switchMaterial(material(QStringLiteral("old.mp3"), 3));
        echora->switchMaterial(QString());  // the library closes the open material
        QVERIFY(!ctrl.practiceEnabled);
        QCOMPARE(echora->sentences(), 0u);
        QVERIFY(tabs.sentences.isEmpty());
        QVERIFY(echora->recordingPath().isEmpty());
        echora->recStart(true);  // nothing to record into: refused visibly
        QVERIFY(!(echora->flags() & Echora::Capturing));
    }

    void recordingFileThatCannotBeCreated()
    {
        const QString path = material(QStringLiteral("blocked.mp3"), 2);
        echora->switchMaterial(path);
        // A file where the phase's folder should be: the recording cannot be created.
        QDir(QStringLiteral("files/blocked.mp3/imitatepieces")).removeRecursively();
        QVERIFY(writeFile(QStringLiteral("files/blocked.mp3/imitatepieces"), "x"));
        ctrl.recCtrlChecked = true;  // the learner pressed the record button
        echora->recStart(true);
        QVERIFY(!ctrl.recCtrlChecked);
        QVERIFY(!(echora->flags() & Echora::Capturing));
        QCOMPARE(rec.caption, QStringLiteral("无法创建录音文件"));
        QVERIFY(!rec.recording);
        QVERIFY(!echora->recorderThread()->isRunning());
    }

    void recordingLifecycle()
    {
        const QString path = material(QStringLiteral("rec.mp3"), 3);
        echora->switchMaterial(path);
        echora->choosePhase(2);
        QCOMPARE(tabs.sentences.size(), 3);
        echora->recStart(true);
        QVERIFY(echora->flags() & Echora::Capturing);
        QVERIFY(tabs.sentences.isEmpty());  // retelling without the text
        QVERIFY(rec.recording);
        QVERIFY(!ctrl.recEnabled);
        QVERIFY(QFile::exists(echora->recordingPath()));
        for (int i = 0; i < 10; ++i)
            echora->doRecProg();
        QCOMPARE(ctrl.recTime, QStringLiteral("00:00:01\n00:00:00"));
        // The test script's sound server provides a microphone; without it nothing is captured.
        const bool microphone = !qEnvironmentVariableIsEmpty("ECHORA_FAKEMIC_HZ");
        if (microphone)
            QTRY_VERIFY_WITH_TIMEOUT(echora->recorderThread()->capturedFrames() > 0, 20000);

        echora->recStart(false);
        QVERIFY(!rec.recording);
        QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 10000);
        QVERIFY(!echora->recorderThread()->isRunning());
        QCOMPARE(tabs.sentences.size(), 3);  // the text is back
        QCOMPARE(tabs.shown, 0u);
        if (!microphone)
            QSKIP("no microphone to record from (run through scripts/test.sh)");
        // The microphone's sound is kept in the file, and the play button offers it.
        const QFileInfo made(echora->recordingPath());
        QVERIFY(made.exists());
        QVERIFY(made.size() > 0);
        QVERIFY(ctrl.recEnabled);
    }

    void phaseChangeStopsEverything()
    {
        echora->switchMaterial(material(QStringLiteral("phase.mp3"), 3));
        echora->choosePhase(1);
        echora->playPce(true);
        QVERIFY(echora->flags() & Echora::PcePlaying);
        QVERIFY(ctrl.pceChecked);
        echora->choosePhase(0);
        QCOMPARE(echora->flags(), 0);
        QCOMPARE(ori.progress, 0.0f);
        QCOMPARE(pce.progress, 0.0f);
        QCOMPARE(rec.progress, 0.0f);
        echora->choosePhase(7);  // not a phase
        QCOMPARE(echora->currentPhase(), 0);
    }

    void fullPlayingReplacesTheMaterial()
    {
        echora->switchMaterial(material(QStringLiteral("before.mp3"), 3));
        QVERIFY(writeFile(QStringLiteral("help.flv"), mp3));
        echora->playFull(QStringLiteral("help.flv"));
        QCOMPARE(echora->materialName(), QStringLiteral("help.flv"));
        QVERIFY(ctrl.fullPlaying);
        QVERIFY(!ctrl.practiceEnabled);
        QVERIFY(!ctrl.recEnabled);
        QCOMPARE(tabs.currentIndex, 2);
        QCOMPARE(pce.caption, QStringLiteral("请从右边列表选择练习材料"));
        QCOMPARE(rec.caption, QStringLiteral("请从右边列表选择练习材料"));
        QVERIFY(echora->flags() & Echora::OriPlaying);
        QCOMPARE(echora->materialChannel().path, QStringLiteral("help.flv"));
        QVERIFY(!QDir(QStringLiteral("files/help.flv")).exists());
    }

    void gainSetsTheLevelOfTheRecording()
    {
        if (qEnvironmentVariableIsEmpty("ECHORA_FAKEMIC_HZ"))
            QSKIP("no microphone to record from (run through scripts/test.sh)");
        echora->switchMaterial(material(QStringLiteral("gain.mp3"), 3));
        echora->choosePhase(2);
        // The same microphone tone recorded at two settings of the gain control.
        const float gains[] = {0.1f, 0.05f};
        double levels[2] = {};
        for (int i = 0; i < 2; ++i) {
            echora->setRecGain(gains[i]);
            echora->recStart(true);
            QVERIFY(echora->flags() & Echora::Capturing);
            QTRY_VERIFY_WITH_TIMEOUT(echora->recorderThread()->capturedFrames() >= kRate, 20000);
            echora->recStart(false);
            QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 10000);
            const DecodedAudio audio = mp3probe::decode(echora->recordingPath());
            QVERIFY(audio.ok);
            QVERIFY(audio.frames() >= kRate);
            levels[i] = mp3probe::rms(audio.channel(0, kRate / 4, kRate / 2));
        }
        const QString what = QStringLiteral("levels %1 and %2").arg(levels[0]).arg(levels[1]);
        QVERIFY2(levels[1] > 0.01, qPrintable(what));
        QVERIFY2(qAbs(levels[0] / levels[1] - 2.0) < 0.15, qPrintable(what));
    }
};

QTEST_MAIN(TestEchora)
#include "tst_echora.moc"
