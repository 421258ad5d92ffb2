// The engine with real FFmpeg decoding of files made by ffmpeg's encoders, playing into
// recording devices: what reaches the device, seeks, bounds, marks, pause and the channel's
// end reports.
#include "EngineRig.h"
#include "TestSupport.h"

#include <QtTest>
#include <algorithm>
#include <atomic>
#include <semaphore>

using namespace mediatest;

namespace {
// Positions (seconds) of the gaps in recorded PCM.
QVector<double> gapTimes(const QByteArray& pcm)
{
    QVector<double> out;
    for (int i : gapStarts(leftChannel(pcm, 2), kRate / 100))
        out.push_back(double(i) / kRate);
    return out;
}

bool hasGapNear(const QVector<double>& gaps, double t, double tolerance)
{
    for (double g : gaps)
        if (std::abs(g - t) <= tolerance)
            return true;
    return false;
}

// An output that plays what it holds as the next offer comes, so it holds the bytes of the
// latest offer only. It takes at most kSmall bytes an offer, except once, after the first
// second: from an offer of at least kLarge bytes it takes them all and, holding them, waits
// inside the write until the test lets it go.
class HeldWriteAudio : public AudioDev {
public:
    static constexpr int kSmall = 1000;
    static constexpr int kLarge = 2048;

    int writeSamples(char*, int length) override
    {
        const bool hold = !holding && taken >= kBytesPerSecond && length >= kLarge;
        const int n = hold ? length : std::min(length, kSmall);
        if (hold) {
            // Heard so far: everything taken before this offer less what the last one held.
            heardBefore = seconds(taken - latest);
        }
        latest = n;
        taken += n;
        if (hold) {
            holding = true;
            release.acquire();
        }
        return n;
    }
    bool openOutput(int, int, int) override { return true; }
    void closeOutput() override {}
    void discard() override {}
    void setVolume(float) override {}
    int outputRate() const override { return 0; }
    int outputChannels() const override { return 0; }
    double bufferedSeconds() const override { return seconds(latest); }

    void letGo() { release.release(); }

    std::atomic<bool> holding{false};
    std::atomic<double> heardBefore{-1};

private:
    std::atomic<qint64> taken{0};
    std::atomic<qint64> latest{0};
    std::binary_semaphore release{0};
};
}  // namespace

class TestMediaEngine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() { makeEngineFixtures(dir); }

    void decodesToneInEachFormat_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* n : {"tone.mp3", "tone.m4a", "tone.ogg", "tone.wav"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }

    void decodesToneInEachFormat()
    {
        QFETCH(QString, name);
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file(name), &audio);
        rig.engine.doOpen(id);
        QCOMPARE(audio.opens.load(), 1);
        QCOMPARE(audio.rate.load(), kRate);
        QCOMPARE(audio.bits.load(), 16);
        QCOMPARE(audio.channels.load(), 2);
        QVERIFY(std::abs(rig.engine.duration(id) - kToneSeconds) < 0.1);
        QVERIFY(rig.engine.doStart(id, true));
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QTest::qWait(200);
        QCOMPARE(rig.stopped.size(), 1);
        QVERIFY(sameChannel(rig.stopped[0], id));
        QVERIFY(!rig.engine.hasChannel(id));
        QCOMPARE(rig.engine.currentTime(id), -1.0);

        const QByteArray pcm = audio.taken();
        QVERIFY2(std::abs(seconds(pcm.size()) - kToneSeconds) < 0.1,
                 qPrintable(QString::number(seconds(pcm.size()))));
        const QVector<int16_t> left = leftChannel(pcm, 2);
        const double hz = frequency(left.mid(0, kRate), kRate);
        QVERIFY2(std::abs(hz - kToneHz) < kToneHz * 0.02, qPrintable(QString::number(hz)));
        const QVector<double> gaps = gapTimes(pcm);
        QVERIFY(hasGapNear(gaps, kGapA, 0.06));
        QVERIFY(hasGapNear(gaps, kGapB, 0.06));
    }

    // Held at 0.5 s, a seek to 1.8 s plays on from 1.8 s: the gap at 1.0 s never arrives and
    // the one at 2.5 s arrives 0.7 s after the hold. (A decoder may put out a short silence
    // right after the seek: MP3 frames lean on the frames before them.)
    void seekForwardLandsWithinOnePacket_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("mp3") << QStringLiteral("tone.mp3");
        QTest::newRow("wav") << QStringLiteral("tone.wav");
        // The reference stream is the video one: the demuxer lands on the picture before
        // the target, and the drop threshold removes the sound up to the target.
        QTest::newRow("mp4 video") << QStringLiteral("pattern.mp4");
        QTest::newRow("flv video") << QStringLiteral("pattern.flv");
    }

    void seekForwardLandsWithinOnePacket()
    {
        QFETCH(QString, name);
        Rig rig;
        RecordingAudio audio;
        RecordingVideo video;
        const MediaIdentifier id = ident(file(name), &audio, &video);
        const qint64 hold = kBytesPerSecond / 2;
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        rig.engine.doSeekTime(id, 1.8);
        QTest::qWait(100);
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const QByteArray after = audio.taken().mid(int(hold));
        const QVector<double> gaps = gapTimes(after);
        // FLV keeps the AAC encoder's start delay inside its timestamps: allow for it.
        const double tolerance = name.endsWith(".flv") ? 0.1 : 0.06;
        QVERIFY2(hasGapNear(gaps, kGapB - 1.8, tolerance), describe(gaps));
        QVERIFY2(!hasGapNear(gaps, kGapA - 0.5, 0.15), describe(gaps));
        const double rest = (name.startsWith("tone") ? kToneSeconds : 3.0) - 1.8;
        QVERIFY2(std::abs(seconds(after.size()) - rest) < 0.1,
                 qPrintable(QString::number(seconds(after.size()))));
    }

    // A seek that lands at or past the end of the file (the last pixel of a position bar)
    // still ends the channel: nothing is left to read, so it must report its end.
    void seekToTheEndEndsTheChannel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("beyond");
        for (const char* n :
             {"pattern.flv", "tone.wav", "tone.mp3", "tone.m4a", "tone.ogg", "pattern.mp4"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 at the end").arg(n)))
                << QString::fromLatin1(n) << 0.0;
            QTest::newRow(qPrintable(QStringLiteral("%1 past the end").arg(n)))
                << QString::fromLatin1(n) << 5.0;
        }
    }

    void seekToTheEndEndsTheChannel()
    {
        QFETCH(QString, name);
        QFETCH(double, beyond);
        Rig rig;
        RecordingAudio audio;
        RecordingVideo video;
        const MediaIdentifier id = ident(file(name), &audio, &video);
        const qint64 hold = kBytesPerSecond / 2;
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        const double length = rig.engine.duration(id);
        QVERIFY(length > 2.5);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        rig.engine.doSeekTime(id, length + beyond);
        QTest::qWait(100);
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QVERIFY(!rig.engine.hasChannel(id));
        // Nothing of the middle of the file was played after the seek.
        QVERIFY2(seconds(audio.size() - hold) < 0.2,
                 qPrintable(QString::number(seconds(audio.size() - hold))));
    }

    // The clock is the end of what the device took, in the file's own time: held after
    // exactly one second of sound, it reads one second, whatever the codec's frame length
    // or encoder delay.
    void clockIsTheEndOfWhatWasTaken_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* n : {"tone.mp3", "tone.m4a", "tone.ogg", "tone.wav"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }

    void clockIsTheEndOfWhatWasTaken()
    {
        QFETCH(QString, name);
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file(name), &audio);
        const qint64 hold = kBytesPerSecond;
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        QTRY_VERIFY2(std::abs(rig.engine.currentTime(id) - 1.0) < 0.001,
                     qPrintable(QString::number(rig.engine.currentTime(id), 'f', 4)));
        // The second that was taken is the file's first: its gap comes at 1.0 s too.
        const QVector<double> gaps = gapTimes(audio.taken());
        QVERIFY2(gaps.isEmpty() || gaps[0] > 0.99, describe(gaps));
        rig.engine.doStart(id, false);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
    }

    // A seek is heard from its target's very sample: what follows the seek is what a
    // whole play holds from that moment on, sample for sample.
    void seekLandsOnTheTargetSample_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("wav") << QStringLiteral("tone.wav");
        QTest::newRow("aac in m4a") << QStringLiteral("tone.m4a");
        // The demuxer lands on the picture before the target.
        QTest::newRow("mp4 video") << QStringLiteral("pattern.mp4");
    }

    void seekLandsOnTheTargetSample()
    {
        QFETCH(QString, name);
        QByteArray whole;
        {
            Rig rig;
            RecordingAudio audio;
            const MediaIdentifier id = ident(file(name), &audio);
            rig.engine.doOpen(id);
            rig.engine.doStart(id, true);
            QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
            whole = audio.taken();
        }
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file(name), &audio);
        const qint64 hold = kBytesPerSecond / 2;
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        rig.engine.doSeekTime(id, 1.8);
        QCOMPARE(rig.engine.currentTime(id), 1.8);
        QTest::qWait(100);
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const QVector<int16_t> after = leftChannel(audio.taken().mid(int(hold)), 2);
        const QVector<int16_t> from = leftChannel(whole, 2).mid(int(1.8 * kRate));
        QVERIFY(after.size() > kRate / 2);
        int worst = 0;
        for (int i = 0; i < kRate / 2; ++i)
            worst = std::max(worst, std::abs(int(after[i]) - int(from[i])));
        QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
    }

    // A device that refused the stream's format opened another one: the samples are
    // converted to it, so the tone keeps its pitch and length.
    void fallbackFormatIsWhatIsWritten()
    {
        Rig rig;
        RecordingAudio audio;
        audio.setFallback(48000, 1);
        const MediaIdentifier id = ident(file("tone.wav"), &audio);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const QByteArray pcm = audio.taken();
        const double heard = double(pcm.size()) / (48000 * 2);
        QVERIFY2(std::abs(heard - kToneSeconds) < 0.05, qPrintable(QString::number(heard)));
        const QVector<int16_t> mono = leftChannel(pcm, 1);
        const double hz = frequency(mono.mid(0, 48000), 48000);
        QVERIFY2(std::abs(hz - kToneHz) < kToneHz * 0.02, qPrintable(QString::number(hz)));
        QVector<double> gaps;
        for (int i : gapStarts(mono, 480))
            gaps.push_back(double(i) / 48000);
        // The tone's gaps start on the encoder's frame boundaries, up to 22 ms late.
        QVERIFY2(hasGapNear(gaps, kGapA, 0.03) && hasGapNear(gaps, kGapB, 0.03), describe(gaps));
    }

    // While the output takes a write, it holds bytes the channel's clock does not count yet:
    // the position shown meanwhile is what was heard before that write, not that less the
    // bytes taken.
    void positionDuringAWriteIsWhatWasHeardBefore()
    {
        HeldWriteAudio audio;
        Rig rig;
        const MediaIdentifier id = ident(file("tone.wav"), &audio);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_VERIFY_WITH_TIMEOUT(audio.holding, kLong);
        const double shown = rig.engine.currentTime(id);
        audio.letGo();
        const double before = audio.heardBefore;
        QVERIFY2(std::abs(shown - before) < 1e-6,
                 qPrintable(QStringLiteral("shown %1, heard before the write %2")
                                .arg(shown, 0, 'f', 6)
                                .arg(before, 0, 'f', 6)));
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
    }

    void endBoundEndsTheAudio()
    {
        Rig rig;
        RecordingAudio audio;
        MediaIdentifier id = ident(file("tone.mp3"), &audio);
        id.end = 1.5f;
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const QByteArray pcm = audio.taken();
        QVERIFY2(std::abs(seconds(pcm.size()) - 1.5) < 0.06,
                 qPrintable(QString::number(seconds(pcm.size()))));
        const QVector<double> gaps = gapTimes(pcm);
        QVERIFY(hasGapNear(gaps, kGapA, 0.06));
        QVERIFY(!hasGapNear(gaps, kGapB, 0.5));
    }

    // The start bound begins playback at 2.0 s; a seek before it is refused, and a refused
    // seek cancels one accepted before that the demuxer has not carried out yet.
    void startBoundAndRefusedSeeks()
    {
        Rig rig;
        RecordingAudio audio;
        MediaIdentifier id = ident(file("tone.mp3"), &audio);
        id.start = 2.0f;
        const qint64 hold = kBytesPerSecond / 4;
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        rig.engine.doSeekTime(id, 1.0);  // before the start: refused
        QVERIFY(rig.engine.doPause(id, true));
        QTest::qWait(250);               // the demuxer is asleep now
        rig.engine.doSeekTime(id, 3.5);  // accepted, pending
        rig.engine.doSeekTime(id, 1.5);  // refused: cancels it
        rig.engine.doPause(id, false);
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const QByteArray pcm = audio.taken();
        const QVector<double> gaps = gapTimes(pcm);
        QVERIFY2(hasGapNear(gaps, kGapB - 2.0, 0.06), describe(gaps));
        QVERIFY2(!hasGapNear(gaps, 0.25, 0.1), describe(gaps));  // no jump back to 1.0 s
        QVERIFY(std::abs(seconds(pcm.size()) - (kToneSeconds - 2.0)) < 0.1);
    }

    void marksAreReportedInOrder_data()
    {
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("out");
        QTest::newRow("apart") << 1.0 << 2.0;
        QTest::newRow("one packet") << 1.0 << 1.001;
    }

    void marksAreReportedInOrder()
    {
        QFETCH(double, in);
        QFETCH(double, out);
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("tone.mp3"), &audio);
        rig.engine.doOpen(id);
        rig.engine.doSetInOut(id, in, out);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QCOMPARE(rig.order, QStringList({"in", "out"}));
        QCOMPARE(rig.marksIn[0].markIn, -1.0f);
        QVERIFY(sameChannel(rig.marksIn[0], id));
        QVERIFY(std::abs(rig.marksOut[0].markIn - in) < 1e-3);
        QVERIFY(std::abs(rig.marksOut[0].markOut - out) < 1e-3);
    }

    void marksOutsideTheBoundsAreNone()
    {
        Rig rig;
        RecordingAudio audio;
        MediaIdentifier id = ident(file("tone.mp3"), &audio);
        id.start = 0.5f;
        id.end = 3.0f;
        rig.engine.doOpen(id);
        rig.engine.doSetInOut(id, 0.2, 3.5);  // before the start, after the end
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QVERIFY(rig.order.isEmpty());
    }

    // No mark on the first packet (nothing before it), none on a jump backwards.
    void noMarkOnFirstPacketOrBackwardJump()
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("tone.mp3"), &audio);
        const qint64 hold = qint64(kBytesPerSecond * 1.5);
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        rig.engine.doSetInOut(id, 0.0, 0.3);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        QTRY_COMPARE(rig.order, QStringList({"out"}));
        rig.engine.doSeekTime(id, 0.5);  // back, past the out mark
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QCOMPARE(rig.order, QStringList({"out"}));
        // The seek really went back: the gap at 1.0 s is heard again 0.5 s after the jump.
        const QVector<double> gaps = gapTimes(audio.taken());
        QVERIFY2(hasGapNear(gaps, kGapA, 0.06), describe(gaps));
        QVERIFY2(hasGapNear(gaps, 1.5 + kGapA - 0.5, 0.06), describe(gaps));
        QVERIFY2(hasGapNear(gaps, 1.5 + kGapB - 0.5, 0.06), describe(gaps));
    }

    void pauseKeepsThePosition()
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("tone.mp3"), &audio);
        const qint64 hold = kBytesPerSecond;
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        QVERIFY(rig.engine.doPause(id, true));
        const double clock = rig.engine.currentTime(id);
        QVERIFY(clock > 0.9 && clock < 1.1);
        audio.setBudget(-1);
        QTest::qWait(300);
        QCOMPARE(audio.size(), hold);
        QCOMPARE(rig.engine.currentTime(id), clock);
        QVERIFY(rig.engine.doPause(id, false));
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const QByteArray pcm = audio.taken();
        QVERIFY(std::abs(seconds(pcm.size()) - kToneSeconds) < 0.1);
        const QVector<double> gaps = gapTimes(pcm);
        QCOMPARE(gaps.size(), 2);
        QVERIFY(hasGapNear(gaps, kGapB, 0.06));
    }

    // The end is reported once; a receiver that reopens the identifier gets no new channel.
    void endIsReportedOnceAndReopeningInsideGetsNothing()
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("tone.wav"), &audio);
        bool presentInside = false;
        QObject::connect(&rig.engine, &MediaEngine::sigPlayStopped, [&](MediaIdentifier s) {
            rig.engine.doOpen(s);
            presentInside = rig.engine.hasChannel(s);
            QVERIFY(!rig.engine.doStart(s, true));
            QCOMPARE(rig.engine.duration(s), -1.0);
        });
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QVERIFY(presentInside);
        QVERIFY(!rig.engine.hasChannel(id));
        QTest::qWait(300);
        QCOMPARE(rig.stopped.size(), 1);
    }

    // Files that do not open: no duration, no clock, and once started, one end report so
    // a play button does not stay checked forever.
    // Same file, other device: another channel, both playing at once. Marks take no part in
    // naming a channel.
    void channelsAreNamedByPathBoundsAndDevices()
    {
        Rig rig;
        RecordingAudio a1, a2;
        MediaIdentifier first = ident(file("tone.wav"), &a1);
        const MediaIdentifier second = ident(file("tone.wav"), &a2);
        rig.engine.doOpen(first);
        rig.engine.doOpen(second);
        first.markIn = 1.0f;
        first.markOut = 2.0f;
        rig.engine.doOpen(first);  // the same channel: no third
        QVERIFY(rig.engine.doStart(first, true));
        QVERIFY(rig.engine.doStart(second, true));
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 2, kLong);
        QCOMPARE(a1.opens.load(), 1);
        QCOMPARE(a1.size(), a2.size());
        QVERIFY(a1.taken() == a2.taken());
    }

    // Stopping a channel never started reports nothing; starting it then ends it at once.
    void stoppingBeforeStartReportsOnStart()
    {
        Rig rig;
        RecordingAudio audio;
        RecordingVideo video;
        const MediaIdentifier id = ident(file("pattern.mp4"), &audio, &video);
        rig.engine.doOpen(id);
        QVERIFY(rig.engine.doStart(id, false));
        QTest::qWait(200);
        QVERIFY(rig.stopped.isEmpty());
        QVERIFY(rig.engine.hasChannel(id));
        QCOMPARE(video.displaysOff.load(), 1);
        QVERIFY(rig.engine.doStart(id, true));
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QCOMPARE(audio.size(), 0);
    }

    // Pausing resets the display clock only when the state changes.
    void pauseWithTheSameStateDoesNothing()
    {
        Rig rig;
        RecordingAudio audio;
        RecordingVideo video;
        audio.setBudget(0);
        const MediaIdentifier id = ident(file("pattern.mp4"), &audio, &video);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QVERIFY(rig.engine.doPause(id, false));
        QCOMPARE(video.resets.load(), 0);
        QVERIFY(rig.engine.doPause(id, true));
        QVERIFY(rig.engine.doPause(id, true));
        QCOMPARE(video.resets.load(), 1);
        QVERIFY(rig.engine.doPause(id, false));
        QCOMPARE(video.resets.load(), 2);
        rig.engine.doSetVolume(id, 0.25f);
        QCOMPARE(audio.volume.load(), 0.25f);
        QVERIFY(rig.engine.doStart(id, false));
        // Still in the table until its end is reported, but a stopping channel is left alone.
        QVERIFY(rig.engine.doPause(id, true));
        QCOMPARE(video.resets.load(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
    }

    void unknownIdentifierIsRefused()
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("tone.mp3"), &audio);
        QVERIFY(!rig.engine.doStart(id, true));
        QVERIFY(!rig.engine.doPause(id, true));
        QCOMPARE(rig.engine.duration(id), -1.0);
        QCOMPARE(rig.engine.currentTime(id), -1.0);
        rig.engine.doSetVolume(id, 0.9f);
        rig.engine.doSeekTime(id, 1.0);
        rig.engine.doSetInOut(id, 1.0, 2.0);
        QCOMPARE(audio.volume.load(), -1.0f);
        QVERIFY(rig.stopped.isEmpty());
    }

    // Destroying the engine closes every channel and reports each, in key order.
    void destructionReportsRemainingChannelsInOrder()
    {
        RecordingAudio a, b;
        QStringList reported;
        {
            MediaEngine engine;
            QObject::connect(&engine, &MediaEngine::sigPlayStopped, [&](MediaIdentifier id) {
                reported << QFileInfo(id.path).fileName();
            });
            a.setBudget(kBytesPerSecond / 10);
            b.setBudget(kBytesPerSecond / 10);
            engine.doOpen(ident(file("tone.wav"), &a));
            engine.doOpen(ident(file("tone.mp3"), &b));
            engine.doStart(ident(file("tone.wav"), &a), true);
            QTRY_COMPARE_WITH_TIMEOUT(a.size(), kBytesPerSecond / 10, kLong);
        }
        QCOMPARE(reported, QStringList({"tone.mp3", "tone.wav"}));
    }
};

QTEST_GUILESS_MAIN(TestMediaEngine)
#include "tst_mediaengine.moc"
