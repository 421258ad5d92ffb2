// The real audio output on the sound server's default sink: what a channel plays is
// recorded from the sink's monitor and looked at. The test needs the server that the test
// script starts; it skips without one.
#include "IAudio.h"
#include "MediaEngine.h"
#include "MediaFixtures.h"
#include "TestSupport.h"

#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

using namespace mediatest;

class TestIAudio : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QAudioDevice device;
    QByteArray module;  // the sound server's module of our sink

    // Play the tone at `gain` through the engine while recording the sink's monitor;
    // returns the left channel of the recording.
    QVector<int16_t> playAndRecord(float gain)
    {
        QProcess parec;
        const QString sink = QString::fromUtf8(device.id());
        parec.start("parec", {"--device=" + sink + ".monitor", "--format=s16le", "--rate=44100",
                              "--channels=2", "--raw", "--latency-msec=20"});
        if (!parec.waitForStarted(5000))
            return {};
        QByteArray recorded;
        auto drain = [&] {
            parec.waitForReadyRead(10);
            recorded += parec.readAllStandardOutput();
        };
        // The recorder is running once bytes arrive.
        for (int i = 0; i < 500 && recorded.isEmpty(); ++i)
            drain();

        MediaEngine engine;
        bool stopped = false;
        auto* audio = new IAudio;
        audio->setDevice(device);
        connect(&engine, &MediaEngine::sigPlayStopped, this,
                [&](MediaIdentifier) { stopped = true; });
        MediaIdentifier id;
        id.path = dir.filePath("tone.mp3");
        id.audio = audio;
        engine.doOpen(id);
        engine.doSetVolume(id, gain);
        engine.doStart(id, true);
        for (int i = 0; i < 3000 && !stopped; ++i) {
            drain();
            QCoreApplication::processEvents();
        }
        // Let what the sink still holds play out before the output goes away: wait until
        // the recording has gone quiet again (bounded, in recorded bytes, not in time).
        for (int i = 0; i < 1000; ++i) {
            drain();
            QCoreApplication::processEvents();
            const QVector<int16_t> tail = leftChannel(recorded.right(kRate / 5 * 4), 2);
            if (tail.size() == kRate / 5 && rms(tail, 0, int(tail.size())) < 10)
                break;
        }
        delete audio;
        parec.kill();
        parec.waitForFinished(5000);
        return stopped ? leftChannel(recorded, 2) : QVector<int16_t>{};
    }

    // RMS level over the middle half of where the tone is heard.
    static double toneLevel(const QVector<int16_t>& s, double* hz)
    {
        int first = -1, last = -1;
        for (int i = 0; i < s.size(); ++i)
            if (std::abs(int(s[i])) > 200) {
                if (first < 0)
                    first = i;
                last = i;
            }
        if (first < 0 || last - first < kRate / 2)
            return 0;
        const int quarter = (last - first) / 4;
        // Between the two gaps: from 1.2 s to 2.3 s of the tone.
        const int from = first + int(1.2 * kRate);
        const int to = std::min(last - quarter, first + int(2.3 * kRate));
        *hz = frequency(s.mid(from, to - from), kRate);
        return rms(s, from, to);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QMediaDevices::defaultAudioOutput().isNull())
            QSKIP("no sound server");
        QVERIFY(dir.isValid());
        QVERIFY(makeTone(dir.filePath("tone.mp3")));
        // A sink of our own, so that other tests playing at the same time are not recorded.
        const QByteArray name =
            "echora_media_" + QByteArray::number(QCoreApplication::applicationPid());
        QProcess pactl;
        pactl.start("pactl", {"load-module", "module-null-sink", "sink_name=" + name});
        if (pactl.waitForFinished(10000) && pactl.exitCode() == 0)
            module = pactl.readAllStandardOutput().trimmed();
        for (int i = 0; i < 300 && device.isNull() && !module.isEmpty(); ++i) {
            for (const QAudioDevice& d : QMediaDevices::audioOutputs())
                if (d.id() == name)
                    device = d;
            QTest::qWait(10);
        }
        if (device.isNull()) {
            qInfo("using the default sink");
            device = QMediaDevices::defaultAudioOutput();
        }
    }

    void cleanupTestCase()
    {
        if (!module.isEmpty())
            testsupport::run("pactl", {"unload-module", QString::fromLatin1(module)});
    }

    void opensOnceForOneFormat()
    {
        IAudio audio;
        audio.setDevice(device);
        QVERIFY(audio.openOutput(44100, 16, 2));
        QVERIFY(audio.isOpen());
        QVERIFY(audio.openOutput(44100, 16, 2));
        QCOMPARE(audio.currentFormat().sampleRate(), 44100);
        QCOMPARE(audio.currentFormat().channelCount(), 2);
        QCOMPARE(audio.currentFormat().sampleFormat(), QAudioFormat::Int16);
        QVERIFY(audio.openOutput(22050, 16, 1));
        QCOMPARE(audio.currentFormat().sampleRate(), 22050);
        audio.closeOutput();
        QVERIFY(!audio.isOpen());
        char pcm[4] = {1, 0, 1, 0};
        QCOMPARE(audio.writeSamples(pcm, 4), 0);
    }

    // More than the free space: only the free bytes are taken, and only those scaled.
    void takesOnlyTheFreeSpace()
    {
        IAudio audio;
        audio.setDevice(device);
        QVERIFY(audio.openOutput(44100, 16, 2));
        QByteArray pcm(kRate * 4 * 20, '\0');  // 20 s: more than any sink buffer
        auto* s = reinterpret_cast<int16_t*>(pcm.data());
        for (int i = 0; i < pcm.size() / 2; ++i)
            s[i] = 1000;
        int taken = 0;
        for (int i = 0; i < 200 && taken == 0; ++i) {
            taken = audio.writeSamples(pcm.data(), int(pcm.size()));
            QTest::qWait(10);
        }
        qInfo("the output took %d bytes at once", taken);
        QVERIFY(taken > 0);
        QVERIFY(taken < pcm.size());
        QCOMPARE(s[0], int16_t(500));  // default gain 0.5
        QCOMPARE(s[taken / 2 - 1], int16_t(500));
        QCOMPARE(s[taken / 2], int16_t(1000));
        QCOMPARE(s[pcm.size() / 2 - 1], int16_t(1000));
    }

    // Pausing empties the output, so nothing written ahead plays out after the click, and
    // resuming plays on from what was heard last: the position never steps back.
    void pauseEmptiesTheOutputAndResumesWhereHeard()
    {
        MediaEngine engine;
        bool stopped = false;
        IAudio audio;
        audio.setDevice(device);
        connect(&engine, &MediaEngine::sigPlayStopped, this,
                [&](MediaIdentifier) { stopped = true; });
        MediaIdentifier id;
        id.path = dir.filePath("tone.mp3");
        id.audio = &audio;
        engine.doOpen(id);
        engine.doStart(id, true);
        QTRY_VERIFY_WITH_TIMEOUT(engine.currentTime(id) > 0.8, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(audio.bufferedSeconds() > 0, 5000);
        QVERIFY(engine.doPause(id, true));
        QCOMPARE(audio.bufferedSeconds(), 0.0);
        const double paused = engine.currentTime(id);
        QVERIFY2(paused > 0.7, qPrintable(QString::number(paused)));
        QVERIFY(engine.doPause(id, false));
        double lowest = 1e9;
        double now = paused;
        for (int i = 0; i < 2000 && now <= paused + 0.3; ++i) {
            QTest::qWait(10);
            now = engine.currentTime(id);
            lowest = std::min(lowest, now);
        }
        QVERIFY2(now > paused + 0.3, qPrintable(QString::number(now)));
        QVERIFY2(lowest >= paused - 0.01,
                 qPrintable(QStringLiteral("%1 after %2").arg(lowest).arg(paused)));
        engine.doStart(id, false);
        QTRY_VERIFY_WITH_TIMEOUT(stopped, 20000);
    }

    // The tone reaches the sink; at gain 0.5 its level is half that at 1.0.
    void toneIsHeardAndGainHalvesIt()
    {
        double hzFull = 0, hzHalf = 0;
        const double full = toneLevel(playAndRecord(1.0f), &hzFull);
        const double half = toneLevel(playAndRecord(0.5f), &hzHalf);
        qInfo("levels %.1f %.1f, %.1f Hz %.1f Hz", full, half, hzFull, hzHalf);
        QVERIFY2(full > 1000, qPrintable(QString::number(full)));
        QVERIFY(std::abs(hzFull - kToneHz) < kToneHz * 0.02);
        QVERIFY(std::abs(hzHalf - kToneHz) < kToneHz * 0.02);
        QVERIFY2(std::abs(half / full - 0.5) < 0.05, qPrintable(QString::number(half / full)));
    }
};

QTEST_GUILESS_MAIN(TestIAudio)
#include "tst_iaudio.moc"
