// The practice transport with the real media engine playing generated materials into the
// sound server: the sentence loop, pause and resume inside a sentence, the last sentence, the
// sentence following of whole-material play, before the first sentence and after seeking back.
// The views are recording fakes.
#include "Echora.h"
#include "Fakes.h"
#include "MediaEngine.h"
#include "TestSupport.h"

#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QSettings>
#include <QUrl>
#include <QtTest>
#include <memory>

class TestTransport : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;

    FakeCtrl ctrl;
    FakeTabs tabs;
    FakePlot rec, pce, ori;
    Echora* echora = nullptr;
    const QString material = QStringLiteral("./workspace/tones.mp3");
    const QString late = QStringLiteral("./workspace/late.mp3");

    // Runs the progress tick `n` times and tells how often it changed the shown sentence.
    int sentenceChangesOverTicks(int n)
    {
        const int before = tabs.showSentenceCalls;
        for (int i = 0; i < n; ++i)
            echora->doUpdateProg();
        return tabs.showSentenceCalls - before;
    }

    double position() const
    {
        return echora->mediaEngine()->currentTime(echora->materialChannel());
    }

    // Waits until `done` holds, running the event loop; false after `ms`.
    template <class F> bool waitFor(F done, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > ms)
                return false;
            QTest::qWait(20);
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QMediaDevices::defaultAudioOutput().isNull())
            QSKIP("no sound server: run through the test script");
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Bare);
        QVERIFY(root->isValid());
        QDir().mkpath(QStringLiteral("workspace"));
        QDir().mkpath(QStringLiteral("files"));
        // Five two-second sentences of different pitch.
        QVERIFY(testsupport::makeAudio(
            material,
            QStringLiteral("aevalsrc='0.3*sin(2*PI*(300+100*floor(t/2))*t)':s=44100:d=10"),
            {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-b:a"),
             QStringLiteral("128k")}));
        QFile lrc(QStringLiteral("./workspace/tones.lrc"));
        QVERIFY(lrc.open(QIODevice::WriteOnly));
        lrc.write("[00:00.00]One.\n[00:02.00]Two.\n[00:04.00]Three.\n[00:06.00]Four.\n"
                  "[00:08.00]Five.\n");
        lrc.close();
        // The same sound whose first sentence starts only at 4 s.
        QVERIFY(QFile::copy(material, late));
        QFile lateLrc(QStringLiteral("./workspace/late.lrc"));
        QVERIFY(lateLrc.open(QIODevice::WriteOnly));
        lateLrc.write("[00:04.00]Late one.\n[00:08.00]Late two.\n");
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
        echora->choosePhase(0);
        echora->switchMaterial(material);
        echora->choosePhase(1);
    }

    void cleanup()
    {
        delete echora;
        echora = nullptr;
    }

    void sentenceLoops()
    {
        echora->selectSentence(1);  // 2 s .. 4 s
        echora->playPce(true);
        QVERIFY(ctrl.pceChecked);
        QVERIFY(echora->flags() & Echora::PcePlaying);
        QVERIFY(waitFor([&] { return position() >= 2.0; }, 5000));  // moved into the sentence
        double highest = 0;
        bool wrapped = false;
        QVERIFY(waitFor(
            [&] {
                const double p = position();
                highest = std::max(highest, p);
                wrapped = wrapped || (highest > 3.7 && p >= 0 && p < 3.0);
                return wrapped;
            },
            15000));
        QVERIFY2(highest < 4.6, "playback ran far past the sentence end");
        QCOMPARE(echora->current(), 1u);
        QVERIFY(tabs.karaProgress >= 0 && tabs.karaProgress <= 1.2f);
    }

    void pauseAndResumeInsideTheSentence()
    {
        echora->selectSentence(2);  // 4 s .. 6 s
        echora->playPce(true);
        QVERIFY(waitFor([&] { return position() > 4.5; }, 8000));
        echora->playPce(false);
        QVERIFY(!(echora->flags() & Echora::PcePlaying));
        QTest::qWait(200);
        const double paused = position();
        QVERIFY(paused > 4.3 && paused < 6.3);
        echora->playPce(true);
        QTest::qWait(100);
        const double resumed = position();
        QVERIFY2(resumed >= paused - 0.3, "resume jumped back to the sentence start");
    }

    void lastSentenceRunsToTheEnd()
    {
        echora->selectSentence(4);  // 8 s .. end
        echora->playPce(true);
        QVERIFY(waitFor([&] { return !(echora->flags() & Echora::PcePlaying); }, 20000));
        QVERIFY(!ctrl.pceChecked);
        QVERIFY(!ctrl.oriChecked);
    }

    void wholePlayFollowsSentencesAndSeekingBack()
    {
        echora->selectSentence(0);
        echora->playOri(true);
        QVERIFY(ctrl.oriChecked);
        QVERIFY(waitFor([&] { return echora->current() >= 1; }, 10000));
        QVERIFY(waitFor([&] { return echora->current() >= 2; }, 10000));
        QCOMPARE(tabs.shown, echora->current());
        // Back to 0.2 s, inside the first sentence: the sentence playing there is current,
        // the last one that starts at or before the position.
        echora->seekOri(0.02f);
        QVERIFY(waitFor([&] { return position() >= 0 && position() < 1.5; }, 5000));
        QVERIFY(waitFor([&] { return echora->current() == 0; }, 5000));
        QCOMPARE(tabs.shown, 0u);
        QCOMPARE(ori.currentSentence, 0);
        // The following acts only when the sentence changes, not on every tick.
        const int changes = sentenceChangesOverTicks(20);
        if (position() < 1.9)
            QCOMPARE(changes, 0);
        QCOMPARE(echora->current(), 0u);
        echora->playOri(false);
        QVERIFY(!(echora->flags() & Echora::OriPlaying));
        QVERIFY(!ctrl.oriChecked);
    }

    void choosingASentenceDuringWholePlay()
    {
        echora->selectSentence(0);
        echora->playOri(true);
        QVERIFY(waitFor([&] { return position() > 0.3; }, 10000));
        // The learner picks sentence 3 (6 s .. 8 s) in the material view while it plays: it
        // becomes current at once and stays so; the position from before the seek does not
        // pull the old sentence back meanwhile.
        const std::size_t from = tabs.shownHistory.size();
        echora->selectSentence(3);
        echora->doUpdateProg();  // a tick before the seek has reached the sound
        QVERIFY(waitFor([&] { return position() >= 6.0 && position() < 7.5; }, 5000));
        for (int i = 0; i < 5; ++i)
            echora->doUpdateProg();
        QCOMPARE(echora->current(), 3u);
        const std::vector<unsigned> shown(tabs.shownHistory.begin() + qsizetype(from),
                                          tabs.shownHistory.end());
        QCOMPARE(shown, std::vector<unsigned>{3u});
        echora->playOri(false);
    }

    void beforeTheFirstSentenceTheFirstIsCurrent()
    {
        echora->switchMaterial(late);
        QCOMPARE(echora->sentences(), 2u);
        echora->playOri(true);
        QVERIFY(waitFor([&] { return position() > 0.2; }, 10000));
        QCOMPARE(echora->current(), 0u);
        // Before the first start nothing changes from tick to tick.
        const int changes = sentenceChangesOverTicks(20);
        if (position() < 3.9)
            QCOMPARE(changes, 0);
        QCOMPARE(echora->current(), 0u);
        // Past the second start the second sentence is current.
        echora->seekOri(0.85f);
        QVERIFY(waitFor([&] { return echora->current() == 1; }, 5000));
        QCOMPARE(tabs.shown, 1u);
        echora->playOri(false);
    }

    // The speed belongs to the material: kept in the settings under its path, shown on the
    // panel, held to 0.5x .. 1.5x, read back by a new controller; another material plays at
    // its own pace.
    void speedIsRememberedPerMaterial()
    {
        QSettings settings(QStringLiteral("profile.ini"), QSettings::IniFormat);
        settings.clear();
        echora->keepSpeedsIn(&settings);
        echora->setSpeed(7);
        QCOMPARE(ctrl.speedShown, 7);
        const QString key = QStringLiteral("MaterialSpeed/") + QUrl::toPercentEncoding(material);
        QCOMPARE(settings.value(key).toString(), QStringLiteral("0.7"));
        echora->switchMaterial(late);
        QCOMPARE(echora->speed(), 10);
        QCOMPARE(ctrl.speedShown, 10);
        echora->stepSpeed(20);
        QCOMPARE(echora->speed(), 15);
        echora->cycleSpeed();
        QCOMPARE(echora->speed(), 5);
        echora->stepSpeed(-1);
        QCOMPARE(echora->speed(), 5);
        echora->setSpeed(10);  // the own pace leaves no key behind
        QVERIFY(
            !settings.contains(QStringLiteral("MaterialSpeed/") + QUrl::toPercentEncoding(late)));
        echora->switchMaterial(material);
        QCOMPARE(echora->speed(), 7);
        settings.sync();

        FakeCtrl other;
        Echora again(&other, &tabs, &rec, &pce, &ori, nullptr, nullptr);
        QSettings reread(QStringLiteral("profile.ini"), QSettings::IniFormat);
        again.keepSpeedsIn(&reread);
        again.switchMaterial(material);
        QCOMPARE(again.speed(), 7);
        QCOMPARE(other.speedShown, 7);
        reread.setValue(key, QStringLiteral("fast"));  // not a number: the own pace
        again.switchMaterial(late);
        again.switchMaterial(material);
        QCOMPARE(again.speed(), 10);
    }

    // A sentence looped at 0.7x is heard at that pace and stays inside the sentence (the
    // position wraps back from its end, never far past it, and the karaoke progress stays
    // within the sentence); the learner's recording plays at its own pace meanwhile.
    void slowedSentenceLoopsAndRecordingKeepsItsPace()
    {
        echora->selectSentence(1);  // 2 s .. 4 s
        echora->setSpeed(7);
        echora->playPce(true);
        MediaEngine* engine = echora->mediaEngine();
        QVERIFY(
            waitFor([&] { return engine->heardSpeed(echora->materialChannel()) == 0.7; }, 5000));
        double highest = 0;
        bool wrapped = false;
        float progress = 0;
        QVERIFY(waitFor(
            [&] {
                echora->doUpdateProg();
                const double p = position();
                highest = std::max(highest, p);
                progress = std::max(progress, tabs.karaProgress);
                wrapped = wrapped || (highest > 3.7 && p >= 0 && p < 3.0);
                return wrapped;
            },
            20000));
        QVERIFY2(highest <= 4.05, qPrintable(QString::number(highest)));
        QVERIFY2(progress <= 1.03f, qPrintable(QString::number(double(progress))));
        echora->playPce(false);

        QVERIFY(!echora->recordingPath().isEmpty());
        QFile::remove(echora->recordingPath());
        QVERIFY(QFile::copy(material, echora->recordingPath()));
        echora->playRec(true);
        QVERIFY(
            waitFor([&] { return engine->currentTime(echora->recordingChannel()) > 0.3; }, 5000));
        QCOMPARE(engine->heardSpeed(echora->recordingChannel()), 1.0);
        echora->playRec(false);
        QFile::remove(echora->recordingPath());
        echora->setSpeed(10);
    }
};

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
