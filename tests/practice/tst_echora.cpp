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
#include <iterator>
#include <memory>
#include <vector>

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

// While alive, points this process's sound client at a server that does not exist, so the
// microphone cannot be opened.
class NoSoundServer {
public:
    NoSoundServer()
    {
        for (const char* name : kNames)
            saved.push_back(qgetenv(name));
        QFile conf(dir.filePath(QStringLiteral("client.conf")));
        if (conf.open(QIODevice::WriteOnly))
            conf.write("autospawn = no\n");
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(dir.filePath("no-such-server")));
        qputenv("PULSE_CLIENTCONFIG", QFile::encodeName(conf.fileName()));
    }
    ~NoSoundServer()
    {
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            if (saved[i].isNull())
                qunsetenv(kNames[i]);
            else
                qputenv(kNames[i], saved[i]);
        }
    }
    NoSoundServer(const NoSoundServer&) = delete;
    NoSoundServer& operator=(const NoSoundServer&) = delete;

private:
    static constexpr const char* kNames[] = {"PULSE_SERVER", "PULSE_CLIENTCONFIG"};
    QTemporaryDir dir;
    std::vector<QByteArray> saved;
};

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The files in a recording folder.
QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden);
}

// Index of `call` in `calls` at or after `from`; -1 when absent.
qsizetype indexFrom(const QStringList& calls, const QString& call, qsizetype from)
{
    return calls.indexOf(call, from);
}
}  // namespace

class TestEchora : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;
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
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Bare);
        QVERIFY(root->isValid());
        QDir().mkpath(QStringLiteral("workspace/train"));
        QDir().mkpath(QStringLiteral("files"));
        QVERIFY(testsupport::makeAudio(QStringLiteral("tone.mp3"),
                                       QStringLiteral("sine=frequency=440:duration=3")));
        QFile f(QStringLiteral("tone.mp3"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        mp3 = f.readAll();
    }

    void cleanupTestCase() { root.reset(); }

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

    // A VBR MP3 without a Xing header (silence first, then noise) makes the container guess
    // far too long a duration; once the waveform is decoded, the time label and the view
    // show the true length.
    void materialLengthIsTheDecodedOne()
    {
        const QString path = QStringLiteral("./workspace/vbr.mp3");
        QVERIFY(testsupport::makeAudio(
            path, QStringLiteral("anoisesrc=d=20:c=white:a=0.5"),
            {QStringLiteral("-af"), QStringLiteral("volume=volume=0:enable='lt(t,2)'"),
             QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-q:a"),
             QStringLiteral("2"), QStringLiteral("-write_xing"), QStringLiteral("0")}));
        echora->switchMaterial(path);
        QTRY_VERIFY_WITH_TIMEOUT(ori.picture != nullptr, 60000);
        QVERIFY2(std::abs(ori.duration - 20.0f) < 0.1f, qPrintable(QString::number(ori.duration)));
        QCOMPARE(ctrl.oriTime, QStringLiteral("00:00:00\n00:00:20"));
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

    void subtitlesAndUnreadableSentenceFiles()
    {
        // Subtitles beside a material with no sentence file of its own give its sentences.
        const QString subtitled = material(QStringLiteral("subtitled.mp3"), -1);
        writeFile(
            QStringLiteral("./workspace/subtitled.srt"),
            "1\n00:00:00,500 --> 00:00:01,000\nOne\n\n2\n00:00:01,500 --> 00:00:02,000\nTwo\n");
        echora->switchMaterial(subtitled);
        QCOMPARE(echora->sentences(), 2u);
        QCOMPARE(tabs.sentences, (QStringList{QStringLiteral("One\n"), QStringLiteral("Two\n")}));
        QVERIFY(ctrl.phase1Enabled);

        // A sentence file in no readable encoding: said on the sentence row, and the material
        // still plays whole.
        const QString garbled = material(QStringLiteral("garbled.mp3"), -1);
        QByteArray noise;
        for (int i = 0; i < 512; ++i)
            noise.append(char(0x80 | ((i * 37) & 0x7f)));
        writeFile(QStringLiteral("./workspace/garbled.lrc"), noise + "\xFF\xFF");
        echora->switchMaterial(garbled);
        QCOMPARE(echora->sentences(), 0u);
        QCOMPARE(pce.caption, QStringLiteral("无法读取句子文件"));
        QVERIFY(ctrl.oriEnabled);
        QVERIFY(!ctrl.phase1Enabled);

        // The next readable material shows the phase's own caption again.
        echora->switchMaterial(material(QStringLiteral("plain.mp3"), 2));
        QCOMPARE(pce.caption, QStringLiteral("全文模仿时，不显示单句波形"));
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
        // The take appears only when the recording has succeeded.
        QVERIFY(!QFile::exists(echora->recordingPath()));
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

    void failedRecordingKeepsThePreviousTake()
    {
        const QString path = material(QStringLiteral("failing.mp3"), 4);
        echora->switchMaterial(path);
        echora->choosePhase(1);
        echora->selectSentence(2);
        const QString take = echora->recordingPath();
        writeFile(take, mp3);  // the learner's previous take of sentence 2
        echora->selectSentence(2);
        QVERIFY(ctrl.recEnabled);

        NoSoundServer noServer;
        ctrl.recCtrlChecked = true;  // the learner pressed the record button
        echora->recStart(true);
        QVERIFY(rec.recording);
        QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 20000);
        const QString message = echora->recorderThread()->message();
        if (message.isEmpty())
            QSKIP("this machine records from a sound card without the sound server");
        // The failure ends the recording state visibly, with the recorder's own words.
        QVERIFY(!ctrl.recCtrlChecked);
        QVERIFY(!echora->recordingClockRunning());
        QVERIFY(!rec.recording);
        QCOMPARE(rec.caption, message);
        QVERIFY(!rec.picture);
        // The previous take is untouched and still playable; nothing else is left behind.
        QCOMPARE(contents(take), mp3);
        QVERIFY(ctrl.recEnabled);
        QCOMPARE(filesIn(QFileInfo(take).path()), QStringList{QFileInfo(take).fileName()});
        // The sentence being practised stays current in the text views.
        QCOMPARE(tabs.shown, 2u);
        QCOMPARE(echora->current(), 2u);

        // A picture of the take that arrives late does not cover the message.
        echora->doPlotDone(PlotIdentifier{take, -1, -1});
        QCOMPARE(rec.caption, message);
        QVERIFY(!rec.picture);
    }

    void listenAndRepeatRecordingStaysOnItsSentence()
    {
        echora->switchMaterial(material(QStringLiteral("repeat.mp3"), 5));
        echora->choosePhase(1);
        echora->selectSentence(3);
        echora->recStart(true);
        QTest::qWait(300);
        echora->recStart(false);
        QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 20000);
        // Good or failed, the recording leaves the text views on the sentence practised.
        QCOMPARE(echora->current(), 3u);
        QCOMPARE(tabs.shown, 3u);
        QCOMPARE(echora->recordingPath(),
                 QStringLiteral("files/repeat.mp3/shadowpieces/recordpiece003.mp3"));
    }

    void recordingReplacesTheTakeOnlyWhenItSucceeds()
    {
        const QString path = material(QStringLiteral("takes.mp3"), 3);
        echora->switchMaterial(path);
        const QString take = echora->recordingPath();
        const QString folder = QFileInfo(take).path();
        writeFile(take, mp3);

        // A full disk: the recording's file turns out unwritable.
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), take + QStringLiteral(".part")));
        echora->recStart(true);
        QTest::qWait(1500);  // let the microphone deliver some blocks
        echora->recStart(false);
        QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 20000);
        if (echora->recorderThread()->capturedFrames() == 0)
            QSKIP("no microphone: run through the test script");
        QCOMPARE(echora->recorderThread()->message(), QStringLiteral("file write failed."));
        QCOMPARE(rec.caption, QStringLiteral("file write failed."));
        QCOMPARE(contents(take), mp3);
        QCOMPARE(filesIn(folder), QStringList{QFileInfo(take).fileName()});

        // A good recording replaces the take and leaves nothing beside it.
        echora->recStart(true);
        QTest::qWait(1500);
        echora->recStart(false);
        QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 20000);
        QCOMPARE(echora->recorderThread()->message(), QString());
        QVERIFY(contents(take) != mp3);
        QVERIFY(contents(take).size() > 0);
        QVERIFY(ctrl.recEnabled);
        QCOMPARE(filesIn(folder), QStringList{QFileInfo(take).fileName()});

        // A recording still running when the controller goes is finished and kept.
        const QByteArray second = contents(take);
        echora->recStart(true);
        QTest::qWait(1500);
        delete echora;
        echora = nullptr;
        QVERIFY(contents(take) != second);
        QVERIFY(contents(take).size() > 0);
        QCOMPARE(filesIn(folder), QStringList{QFileInfo(take).fileName()});
    }

    void listenAndRepeatNeedsSentences()
    {
        echora->switchMaterial(material(QStringLiteral("with.mp3"), 3));
        echora->choosePhase(1);
        QCOMPARE(echora->currentPhase(), 1);
        // A material without sentences: Listen & Repeat falls back to Passage Imitation, in
        // the controller and on the phase tabs.
        const QString bare = material(QStringLiteral("bare.mp3"), -1);
        ctrl.phaseTab = 1;
        echora->switchMaterial(bare);
        QCOMPARE(echora->currentPhase(), 0);
        QCOMPARE(ctrl.phaseTab, 0);
        QCOMPARE(echora->recordingPath(),
                 QStringLiteral("files/bare.mp3/imitatepieces/the-only-one.mp3"));
        QCOMPARE(tabs.currentIndex, 1);
        // Asking for it again changes nothing.
        ctrl.phaseTab = 1;
        echora->choosePhase(1);
        QCOMPARE(echora->currentPhase(), 0);
        QCOMPARE(ctrl.phaseTab, 0);
    }

    void sentenceFileFromTheFileName()
    {
        // No extension: the sentence file is the name with ".lrc", not one found from a dot
        // elsewhere in the path.
        writeFile(QStringLiteral("./workspace/plain"), mp3);
        writeFile(QStringLiteral("./workspace/plain.lrc"), lrc(3));
        writeFile(QStringLiteral("./.lrc"), lrc(5));
        echora->switchMaterial(QStringLiteral("./workspace/plain"));
        QCOMPARE(echora->sentences(), 3u);
        QFile::remove(QStringLiteral("./.lrc"));
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
