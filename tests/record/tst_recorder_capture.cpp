// Recordings from the real microphone path: PortAudio's default input reads the sound server's
// default source, which the test script makes a sine tone of ECHORA_FAKEMIC_HZ hertz clocked by
// the server. Every recording is decoded again with FFmpeg and checked for its tone, length and
// level.
#include "Mp3Probe.h"
#include "PaRecThread.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <portaudio.h>

namespace {
constexpr int kRate = 44100;
constexpr int kBlock = 512;

// One recording: how many frames were captured when the stop was requested and in the end.
struct Take {
    QString path;
    qint64 framesAtStop = -1;
    qint64 frames = 0;
    int finished = 0;
    QString message;
};
}  // namespace

class TestRecorderCapture : public QObject {
    Q_OBJECT

    int toneHz = 0;
    QTemporaryDir dir;

    // Records into `name` until `minFrames` frames were captured (the first time `midway`
    // runs), then requests the stop and waits for the end.
    Take record(PaRecThread& recorder, const QString& name, qint64 minFrames,
                const std::function<void()>& midway = {})
    {
        Take take;
        take.path = dir.filePath(name);
        FILE* file = std::fopen(QFile::encodeName(take.path).constData(), "w+b");
        if (!file)
            return take;
        QSignalSpy finished(&recorder, &QThread::finished);
        recorder.setFile(file);
        recorder.start();
        if (midway) {
            if (QTest::qWaitFor([&] { return recorder.capturedFrames() > 0; }, 20000))
                midway();
        }
        if (QTest::qWaitFor([&] { return recorder.capturedFrames() >= minFrames; }, 30000))
            take.framesAtStop = recorder.capturedFrames();
        recorder.requestStop();
        recorder.wait(20000);
        take.finished = int(finished.count());
        std::fclose(file);
        take.frames = recorder.capturedFrames();
        take.message = recorder.message();
        return take;
    }

    // Level of the microphone itself, read by the sound server's own recorder.
    double microphoneLevel()
    {
        QProcess parec;
        parec.start(QStringLiteral("parec"),
                    {QStringLiteral("--raw"), QStringLiteral("--format=float32le"),
                     QStringLiteral("--rate=44100"), QStringLiteral("--channels=2")});
        if (!parec.waitForStarted(5000))
            return -1.0;
        QByteArray data;
        const qsizetype wanted = qsizetype(kRate) * 2 * 4;  // one second
        while (data.size() < wanted && parec.waitForReadyRead(10000))
            data += parec.readAllStandardOutput();
        parec.kill();
        parec.waitForFinished(5000);
        if (data.size() < wanted)
            return -1.0;
        // Skip the backlog that arrives first; take the left channel of the rest.
        std::vector<float> left;
        const auto* samples = reinterpret_cast<const float*>(data.constData());
        for (qsizetype i = kRate / 4; i < kRate; ++i)
            left.push_back(samples[2 * i]);
        return mp3probe::rms(left);
    }

private slots:
    void initTestCase()
    {
        toneHz = qEnvironmentVariableIntValue("ECHORA_FAKEMIC_HZ");
        if (toneHz <= 0)
            QSKIP("no fed microphone (run through scripts/test.sh)");
        QVERIFY(dir.isValid());
    }

    void toneRecordingHasTheToneAndItsExactLength()
    {
        PaRecThread recorder;
        recorder.configuredGain = 32767.0f;
        const Take take = record(recorder, QStringLiteral("tone.mp3"), 2 * kRate);
        QCOMPARE(take.finished, 1);
        QVERIFY2(take.message.isEmpty(), qPrintable(take.message));
        QVERIFY(take.framesAtStop >= 2 * kRate);

        const DecodedAudio audio = mp3probe::decode(take.path);
        QVERIFY(audio.ok);
        QCOMPARE(audio.rate, kRate);
        QCOMPARE(audio.channels, 2);
        // The tag frame tells decoders the encoder's delay and padding, so the decoded length
        // is the captured length.
        const QString lengths =
            QStringLiteral("decoded %1 frames, captured %2").arg(audio.frames()).arg(take.frames);
        QVERIFY2(qAbs(audio.seconds() - double(take.frames) / kRate) < 0.1, qPrintable(lengths));
        QVERIFY2(qAbs(audio.frames() - take.frames) <= 1152, qPrintable(lengths));
        QVERIFY(audio.tagDelay > 0);
        for (int ch = 0; ch < 2; ++ch) {
            const auto window = audio.channel(ch, kRate / 2, kRate);
            const int hz = mp3probe::dominantFrequency(window, kRate, 100, 4000);
            QVERIFY2(qAbs(hz - toneHz) <= 2, qPrintable(QString::number(hz)));
        }
    }

    void recordingHoldsTheTimeItLasted()
    {
        // The test script's microphone is clocked by the sound server: a recording holds the
        // time it lasted, to a fifth of a second, however long the microphone sat unread
        // before. A microphone that hands over a backlog first makes recordings too long.
        QTest::qWait(2000);  // the microphone sits unread
        PaRecThread recorder;
        recorder.configuredGain = 32767.0f;
        const QString path = dir.filePath(QStringLiteral("clocked.mp3"));
        FILE* file = std::fopen(QFile::encodeName(path).constData(), "w+b");
        QVERIFY(file);
        recorder.setFile(file);
        recorder.start();
        const bool started = QTest::qWaitFor([&] { return recorder.capturedFrames() > 0; }, 20000);
        QElapsedTimer clock;
        clock.start();
        const double first = double(recorder.capturedFrames()) / kRate;
        QTest::qWait(3000);  // the recording's length
        const double lasted = first + double(clock.elapsed()) / 1000.0;
        recorder.requestStop();
        const bool ended = recorder.wait(20000);
        std::fclose(file);
        QVERIFY(started);
        QVERIFY(ended);
        QVERIFY2(recorder.message().isEmpty(), qPrintable(recorder.message()));

        const DecodedAudio audio = mp3probe::decode(path);
        QVERIFY(audio.ok);
        const QString what =
            QStringLiteral("%1 s recorded for %2 s").arg(audio.seconds()).arg(lasted);
        qInfo("%s", qPrintable(what));
        QVERIFY2(qAbs(audio.seconds() - lasted) <= 0.2, qPrintable(what));
    }

    void gainSetsTheLevelOfTheNextRecording()
    {
        const double mic = microphoneLevel();
        QVERIFY2(mic > 0.01, "the microphone delivers no tone");

        PaRecThread recorder;
        QCOMPARE(recorder.configuredGain.load(), 65534.0f);
        recorder.configuredGain = 32767.0f;
        // A change during a recording belongs to the next one.
        const Take keep = record(recorder, QStringLiteral("keep.mp3"), kRate * 3 / 2,
                                 [&] { recorder.configuredGain = 3276.7f; });
        recorder.configuredGain = 65534.0f;
        const Take twice = record(recorder, QStringLiteral("twice.mp3"), kRate * 3 / 2);
        QVERIFY2(keep.message.isEmpty() && twice.message.isEmpty(),
                 qPrintable(keep.message + twice.message));

        const DecodedAudio a = mp3probe::decode(keep.path);
        const DecodedAudio b = mp3probe::decode(twice.path);
        QVERIFY2(
            a.ok && b.ok,
            qPrintable(
                QStringLiteral("captured %1 and %2 frames").arg(keep.frames).arg(twice.frames)));
        const double levelKeep = mp3probe::rms(a.channel(0, kRate / 2, kRate));
        const double levelTwice = mp3probe::rms(b.channel(0, kRate / 2, kRate));
        const QString levels = QStringLiteral("microphone %1, gain 32767 %2, gain 65534 %3")
                                   .arg(mic)
                                   .arg(levelKeep)
                                   .arg(levelTwice);
        QVERIFY2(qAbs(levelKeep / mic - 1.0) < 0.1, qPrintable(levels));
        QVERIFY2(qAbs(levelTwice / levelKeep - 2.0) < 0.15, qPrintable(levels));
    }

    void stopEndsAfterTheCurrentBlockAndKeepsIt()
    {
        PaRecThread recorder;
        const Take take = record(recorder, QStringLiteral("stop.mp3"), kRate / 2);
        QCOMPARE(take.finished, 1);
        QVERIFY(take.framesAtStop >= kRate / 2);
        // The block being captured when the stop came (and at most one that was already
        // under way when the count was read) is the last one.
        QVERIFY2(
            take.frames - take.framesAtStop <= 2 * kBlock,
            qPrintable(
                QStringLiteral("%1 frames after the stop").arg(take.frames - take.framesAtStop)));
        // ...and it is written: everything captured is in the file.
        const DecodedAudio audio = mp3probe::decode(take.path);
        QVERIFY(audio.ok);
        QVERIFY(qAbs(audio.frames() - take.frames) <= 1152);
    }

    void stopBeforeThePreparationStillEnds()
    {
        PaRecThread recorder;
        const QString path = dir.filePath(QStringLiteral("early.mp3"));
        FILE* file = std::fopen(QFile::encodeName(path).constData(), "w+b");
        QVERIFY(file);
        QSignalSpy finished(&recorder, &QThread::finished);
        recorder.setFile(file);
        recorder.start();
        recorder.requestStop();
        QVERIFY(recorder.wait(20000));
        std::fclose(file);
        QCOMPARE(finished.count(), 1);
        QVERIFY2(recorder.message().isEmpty(), qPrintable(recorder.message()));
        QVERIFY(recorder.capturedFrames() <= 2 * kBlock);
    }

    void twoRecordingsInARowPrepareAfresh()
    {
        PaRecThread recorder;
        recorder.configuredGain = 32767.0f;
        const Take first = record(recorder, QStringLiteral("first.mp3"), kRate);
        QCOMPARE(Pa_GetDeviceCount(), paNotInitialized);
        const Take second = record(recorder, QStringLiteral("second.mp3"), kRate * 3 / 2);
        // Everything is released after each recording: PortAudio is no longer initialised.
        QCOMPARE(Pa_GetDeviceCount(), paNotInitialized);
        for (const Take* take : {&first, &second}) {
            QCOMPARE(take->finished, 1);
            QVERIFY2(take->message.isEmpty(), qPrintable(take->message));
            const DecodedAudio audio = mp3probe::decode(take->path);
            QVERIFY(audio.ok);
            // Each file is a whole stream of its own, with its own tag and length.
            QVERIFY(audio.tagDelay > 0);
            QVERIFY(qAbs(audio.frames() - take->frames) <= 1152);
            const int hz = mp3probe::dominantFrequency(audio.channel(1, kRate / 4, kRate / 2),
                                                       kRate, 100, 4000);
            QVERIFY2(qAbs(hz - toneHz) <= 2, qPrintable(QString::number(hz)));
        }
        QVERIFY(second.frames >= kRate * 3 / 2);
        QVERIFY(second.frames < first.frames + kRate * 3 / 2);  // counted from zero again
    }

    void stalledMicrophoneStillEnds()
    {
        // A second microphone that nobody feeds: its stream starts but never delivers a block.
        // The recording runs in a child process so that the stream left behind ends with it.
        const QString source =
            QStringLiteral("echora_stalled_%1").arg(QCoreApplication::applicationPid());
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"),
                    {QStringLiteral("load-module"), QStringLiteral("module-pipe-source"),
                     QStringLiteral("source_name=") + source,
                     QStringLiteral("file=") + dir.filePath(source + QStringLiteral(".fifo")),
                     QStringLiteral("format=s16le"), QStringLiteral("rate=44100"),
                     QStringLiteral("channels=2")});
        QVERIFY(pactl.waitForFinished(10000));
        const QString module = QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
        QVERIFY2(pactl.exitCode() == 0 && !module.isEmpty(), "cannot add a microphone");
        const auto unload = qScopeGuard([&] {
            testsupport::run(QStringLiteral("pactl"), {QStringLiteral("unload-module"), module});
        });

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SOURCE"), source);
        // The recorder leaves the stalled stream behind on purpose (PortAudio would wait for it
        // for ever): under the leak checker that is the child's one expected leak.
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        const QString path = dir.filePath(QStringLiteral("stalled.mp3"));
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(RECORD_PROBE), {path, QStringLiteral("1500")});
        QVERIFY(probe.waitForFinished(60000));
        const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split('\n');
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QVERIFY2(lines.size() >= 3, qPrintable(lines.join('|')));
        QCOMPARE(lines[0], QStringLiteral("finished"));
        QCOMPARE(lines[1], QStringLiteral("portaudio: The input device stopped delivering sound."));
        QCOMPARE(lines[2], QStringLiteral("0"));
    }

    void fullDiskEndsTheRecording()
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("no full device on this system");
        PaRecThread recorder;
        QSignalSpy finished(&recorder, &QThread::finished);
        FILE* file = std::fopen("/dev/full", "w+b");
        QVERIFY(file);
        recorder.setFile(file);
        recorder.start();
        // No stop request: the failing writes end the recording by themselves.
        const bool ended = recorder.wait(60000);
        if (!ended) {
            recorder.requestStop();
            recorder.wait();
        }
        std::fclose(file);
        QVERIFY(ended);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(recorder.message(), QStringLiteral("file write failed."));
    }
};

QTEST_GUILESS_MAIN(TestRecorderCapture)
#include "tst_recorder_capture.moc"
