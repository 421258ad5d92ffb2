// The material played slower or faster by the engine: into a recording device the sound
// lasts the material's length over the speed and keeps its pitch, a looped sentence at 0.7x
// is that sentence and nothing else, speed 1 is the plain path sample for sample, the marks
// still come in order; and the reported position stays in the file's
// time through a change of speed while playing, what the output holds counted at its pace.
// Stereo whose channels are the same is stretched as one channel, to the very samples a
// one-channel stretcher gives; channels that differ keep their own sound, also when they
// begin to differ in the middle of the material.
#include "EngineRig.h"
#include "TestSupport.h"
#include "TimeStretch.h"

#include <QStandardPaths>
#include <QtTest>
#include <cmath>

using namespace mediatest;

namespace {
constexpr double kPureSeconds = 3.0;
// The looped material: three sentences of one second, each its own tone; the middle one
// rises from quiet to loud, so each pass's start shows as the fall back to quiet.
constexpr int kLoopRate = 48000;
constexpr int kWindow = kLoopRate / 500;  // 2 ms: a whole number of cycles of each tone
constexpr double kWindowMs = 2.0;
constexpr double kSentence = 1.0;
constexpr double kLoopStart = 1.0;
constexpr double kLoopEnd = 2.0;
constexpr double kSilence = 0.03 * 32767;

bool makePure(const QString& path)
{
    const QString source = QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                               .arg(kToneHz)
                               .arg(kRate)
                               .arg(kPureSeconds);
    return testsupport::makeAudio(path, source, {"-ac", "2", "-c:a", "pcm_s16le"});
}

constexpr double kOtherHz = 660;

// Left 440 Hz throughout; right 660 Hz from `apart` seconds on, 440 Hz before.
bool makeApart(const QString& path, double apart)
{
    const QString source =
        QStringLiteral("aevalsrc='0.5*sin(2*PI*%1*t)|0.5*sin(2*PI*if(lt(t,%3),%1,%2)*t)':s=%4:d=%5")
            .arg(kToneHz)
            .arg(kOtherHz)
            .arg(apart)
            .arg(kRate)
            .arg(kPureSeconds);
    return testsupport::makeAudio(path, source, {"-c:a", "pcm_s16le"});
}

QVector<int16_t> rightChannel(const QByteArray& pcm)
{
    QVector<int16_t> out;
    const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
    for (qsizetype i = 1; i < pcm.size() / 2; i += 2)
        out.push_back(s[i]);
    return out;
}

// A voice-like signal: a gliding tone with two overtones under a syllable-rate swell.
std::vector<int16_t> voiceLike(int frames)
{
    std::vector<int16_t> out(static_cast<size_t>(frames));
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        phase += 2 * M_PI * (140 + 40 * std::sin(2 * M_PI * 0.7 * t)) / kRate;
        const double swell = 0.5 + 0.5 * std::sin(2 * M_PI * 4 * t);
        out[size_t(i)] =
            int16_t(9000 * swell *
                    (std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase)));
    }
    return out;
}

// Everything a stretcher gives for `in` fed in decoder-sized pieces, after a seek.
std::vector<int16_t> stretchAll(TimeStretch& s, const std::vector<int16_t>& in)
{
    constexpr int kPiece = 1152;
    const int channels = s.channels();
    const int frames = int(in.size()) / channels;
    std::vector<int16_t> out;
    s.restart(nullptr, 0);
    for (int at = 0; at < frames; at += kPiece)
        s.feed(in.data() + std::ptrdiff_t(at) * channels, std::min(kPiece, frames - at), &out);
    s.finish(&out);
    return out;
}

bool makeSentences(const QString& path)
{
    const QString source =
        QStringLiteral("aevalsrc='if(lt(t,1),0.5*sin(2*PI*1000*t),if(lt(t,2),(0.1+0.8*(t-1))*"
                       "sin(2*PI*2000*t),0.5*sin(2*PI*3000*t)))':s=%1:d=%2")
            .arg(kLoopRate)
            .arg(3 * kSentence);
    return testsupport::makeAudio(path, source, {"-c:a", "libmp3lame", "-b:a", "128k"});
}

bool makeSpeech(const QString& path)
{
    if (QStandardPaths::findExecutable("espeak-ng").isEmpty())
        return false;
    return testsupport::run("espeak-ng",
                            {"-w", path, "-s", "170",
                             "A learner who cannot follow a fast speaker slows the sentence down, "
                             "shadows it, and then brings it back to its own pace."});
}

double amplitude(const QVector<int16_t>& s, int from, double hz)
{
    return toneAmplitude(s, from, kWindow, hz, kLoopRate);
}

struct Window {
    double loop = 0;
    double other = 0;  // the stronger of the two neighbouring sentences' tones
    bool silent = false;
};

QVector<Window> windows(const QVector<int16_t>& s)
{
    QVector<Window> out;
    for (int from = 0; from + kWindow <= s.size(); from += kWindow) {
        Window w;
        w.loop = amplitude(s, from, 2000);
        w.other = std::max(amplitude(s, from, 1000), amplitude(s, from, 3000));
        w.silent = rms(s, from, from + kWindow) < kSilence;
        out.push_back(w);
    }
    return out;
}

// Windows where a pass starts: the looped tone falls from loud to quiet within 8 ms (the
// stretcher rounds the cut off over a few windows).
QVector<int> passStarts(const QVector<Window>& w)
{
    constexpr int kFall = 4;
    constexpr int kApart = 100;
    QVector<int> out;
    for (int i = kFall; i < w.size(); ++i) {
        if (w[i].loop >= 0.3 * 32767 || (!out.isEmpty() && i - out.back() < kApart))
            continue;
        for (int j = i - kFall; j < i; ++j)
            if (w[j].loop > 0.6 * 32767) {
                out.push_back(i);
                break;
            }
    }
    return out;
}

QByteArray waveData(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    const int at = bytes.indexOf("data");
    return at < 0 ? QByteArray() : bytes.mid(at + 8);
}

// Everything the channel writes into a recording device when it plays the whole file at
// `speed` (none: the speed is never set).
QByteArray playWhole(const QString& path, double speed)
{
    Rig rig;
    RecordingAudio audio;
    const MediaIdentifier id = ident(path, &audio);
    rig.engine.doOpen(id);
    if (speed > 0)
        rig.engine.doSetSpeed(id, speed);
    rig.engine.doStart(id, true);
    if (!QTest::qWaitFor([&] { return rig.stopped.size() == 1; }, kLong))
        return {};
    return audio.taken();
}
}  // namespace

class TestMediaSpeed : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file(const char* name) const { return dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(makePure(file("pure.wav")));
        QVERIFY(makeSentences(file("sentences.mp3")));
        QVERIFY(makeTone(file("tone.mp3")));
    }

    void lengthAndPitch_data()
    {
        QTest::addColumn<double>("speed");
        for (double s : {0.5, 0.7, 1.0, 1.5})
            QTest::newRow(qPrintable(QString::number(s, 'f', 1))) << s;
    }

    // The tone lasts its length over the speed (to 1 %) and stays at 440 Hz (to 1 %) from
    // its start to its end.
    void lengthAndPitch()
    {
        QFETCH(double, speed);
        const QByteArray pcm = playWhole(file("pure.wav"), speed);
        const double heard = seconds(pcm.size());
        const double expected = kPureSeconds / speed;
        QVERIFY2(std::abs(heard - expected) <= 0.01 * expected,
                 qPrintable(QString::number(heard, 'f', 4)));
        const QVector<int16_t> left = leftChannel(pcm, 2);
        for (double at : {0.1, 0.45, 0.8}) {
            const int from = int(at * left.size());
            const double hz = frequency(left.mid(from, kRate / 2), kRate);
            QVERIFY2(std::abs(hz - kToneHz) <= 0.01 * kToneHz,
                     qPrintable(QStringLiteral("%1 at %2").arg(hz).arg(at)));
        }
    }

    void speechLength_data()
    {
        QTest::addColumn<double>("speed");
        for (double s : {0.5, 0.7, 1.5})
            QTest::newRow(qPrintable(QString::number(s, 'f', 1))) << s;
    }

    // Spoken material lasts its length over the speed, to 1 %.
    void speechLength()
    {
        QFETCH(double, speed);
        const QString path = file("speech.wav");
        if (!QFile::exists(path) && !makeSpeech(path))
            QSKIP("espeak-ng is not installed");
        const QByteArray own = playWhole(path, -1);
        const QByteArray paced = playWhole(path, speed);
        QVERIFY(!own.isEmpty());
        const double expected = double(own.size()) / speed;
        QVERIFY2(std::abs(paced.size() - expected) <= 0.01 * expected,
                 qPrintable(QStringLiteral("%1 of %2").arg(paced.size()).arg(expected)));
    }

    // Stereo with the same sound in both channels comes out of the one-channel stretch:
    // both channels are the samples a one-channel stretcher gives, with and without a lead.
    void sameChannelsAreStretchedOnce()
    {
        const std::vector<int16_t> mono = voiceLike(2 * kRate);
        std::vector<int16_t> both(mono.size() * 2);
        for (size_t i = 0; i < mono.size(); ++i)
            both[2 * i] = both[2 * i + 1] = mono[i];
        TimeStretch one(kRate, 1, 0.7);
        TimeStretch two(kRate, 2, 0.7);
        const std::vector<int16_t> alone = stretchAll(one, mono);
        const std::vector<int16_t> paired = stretchAll(two, both);
        QVERIFY(two.folded());
        QCOMPARE(paired.size(), alone.size() * 2);
        std::vector<int16_t> left(alone.size());
        std::vector<int16_t> right(alone.size());
        for (size_t i = 0; i < alone.size(); ++i) {
            left[i] = paired[2 * i];
            right[i] = paired[2 * i + 1];
        }
        QVERIFY(left == alone);
        QVERIFY(right == alone);

        // A stream begun while playing leans on a lead; the same holds for it.
        const int lead = TimeStretch::leadFrames();
        std::vector<int16_t> outOne;
        std::vector<int16_t> outTwo;
        one.restart(mono.data(), lead);
        two.restart(both.data(), lead);
        one.feed(mono.data() + lead, kRate, &outOne);
        two.feed(both.data() + std::ptrdiff_t(lead) * 2, kRate, &outTwo);
        one.finish(&outOne);
        two.finish(&outTwo);
        QCOMPARE(outTwo.size(), outOne.size() * 2);
        for (size_t i = 0; i < outOne.size(); ++i)
            if (outTwo[2 * i] != outOne[i] || outTwo[2 * i + 1] != outOne[i])
                QFAIL(qPrintable(QStringLiteral("frame %1 differs").arg(i)));
    }

    void differentChannelsKeepTheirOwn_data()
    {
        QTest::addColumn<double>("apart");
        QTest::newRow("throughout") << 0.0;
        QTest::newRow("from the middle") << 1.2;
    }

    // At 0.7x each channel keeps its own tone (left 440 Hz, right 660 Hz once the channels
    // part), the length is the material's over the speed (to 1 %) and no 2 ms of it is
    // silent: parting channels hand the stream over without a gap.
    void differentChannelsKeepTheirOwn()
    {
        QFETCH(double, apart);
        constexpr double kSlow = 0.7;
        const QString path = file(apart > 0 ? "apart-middle.wav" : "apart.wav");
        QVERIFY(makeApart(path, apart));
        const QByteArray pcm = playWhole(path, kSlow);
        const double expected = kPureSeconds / kSlow;
        QVERIFY2(std::abs(seconds(pcm.size()) - expected) <= 0.01 * expected,
                 qPrintable(QString::number(seconds(pcm.size()), 'f', 4)));
        const QVector<int16_t> left = leftChannel(pcm, 2);
        const QVector<int16_t> right = rightChannel(pcm);
        for (double at : {0.1, 0.45, 0.8}) {
            const int from = int(at * left.size());
            const double hzLeft = frequency(left.mid(from, kRate / 2), kRate);
            const double hzRight = frequency(right.mid(from, kRate / 2), kRate);
            const double wantRight = at * kPureSeconds < apart ? kToneHz : kOtherHz;
            QVERIFY2(
                std::abs(hzLeft - kToneHz) <= 0.01 * kToneHz &&
                    std::abs(hzRight - wantRight) <= 0.01 * wantRight,
                qPrintable(QStringLiteral("%1 and %2 Hz at %3").arg(hzLeft).arg(hzRight).arg(at)));
        }
        constexpr int kQuiet = kRate / 500;
        const int edge = kRate / 20;
        for (int from = edge; from + kQuiet < left.size() - edge; from += kQuiet)
            QVERIFY2(rms(left, from, from + kQuiet) >= kSilence &&
                         rms(right, from, from + kQuiet) >= kSilence,
                     qPrintable(QStringLiteral("silent at %1 s").arg(double(from) / kRate)));
    }

    // At speed 1 the stretcher is left out: what is written is the file's samples, also
    // after the channel played slower and then was set back to 1 and sought.
    void normalSpeedIsThePlainPath()
    {
        const QByteArray file16 = waveData(file("pure.wav"));
        QVERIFY(file16.size() > kBytesPerSecond);
        QCOMPARE(playWhole(file("pure.wav"), 1.0), file16);

        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("pure.wav"), &audio);
        const qint64 hold = kBytesPerSecond / 2;
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        rig.engine.doSetSpeed(id, 0.7);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        rig.engine.doSetSpeed(id, 1.0);
        rig.engine.doSeekTime(id, 1.0);
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QCOMPARE(audio.taken().mid(int(hold)), file16.mid(kBytesPerSecond));
    }

    // The middle sentence looped at 0.7x: five passes of its length over the speed (to
    // 1 %), no neighbour's tone over 5 ms of a pass and no silence over 5 ms.
    void loopAtSlowSpeedIsTheSentence()
    {
        RecordingAudio audio;  // outlives the engine: a looping channel plays until stopped
        Rig rig;
        MediaIdentifier id = ident(file("sentences.mp3"), &audio);
        id.start = float(kLoopStart);
        const double speed = 0.7;
        const double pass = kSentence / speed;
        rig.engine.doOpen(id);
        rig.engine.doSetSpeed(id, speed);
        rig.engine.doSetLoop(id, kLoopStart, kLoopEnd);
        const qint64 passes = 5;
        const qint64 bytesPerSecond = kLoopRate * 2;
        const qint64 budget = qint64((passes + 0.5) * pass * bytesPerSecond) & ~qint64(1);
        audio.setBudget(budget);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), budget, kLong);
        QCOMPARE(audio.channels.load(), 1);

        const QVector<Window> w = windows(leftChannel(audio.taken(), 1));
        const QVector<int> starts = passStarts(w);
        QVERIFY2(starts.size() == passes, QByteArray::number(int(starts.size())));
        QVector<double> lengths{starts[0] * kWindowMs / 1000};
        for (int i = 1; i < starts.size(); ++i)
            lengths.push_back((starts[i] - starts[i - 1]) * kWindowMs / 1000);
        for (double length : lengths)
            QVERIFY2(std::abs(length - pass) <= 0.01 * pass, describe(lengths).constData());
        int neighbour = 0;
        int silentRun = 0;
        int longestSilence = 0;
        for (const Window& x : w) {
            neighbour += x.other > x.loop && !x.silent;
            silentRun = x.silent ? silentRun + 1 : 0;
            longestSilence = std::max(longestSilence, silentRun);
        }
        QVERIFY2(neighbour * kWindowMs <= 5, qPrintable(QString::number(neighbour)));
        QVERIFY2(longestSilence * kWindowMs <= 5, qPrintable(QString::number(longestSilence)));
        rig.engine.doStart(id, false);
    }

    // Slowed down, the channel reports its in and out marks in that order.
    void marksComeInOrder()
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("tone.mp3"), &audio);
        rig.engine.doOpen(id);
        rig.engine.doSetSpeed(id, 0.7);
        rig.engine.doSetInOut(id, 1.0, 3.0);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QCOMPARE(rig.order, (QStringList{"in", "out"}));
        const double expected = kToneSeconds / 0.7;
        QVERIFY2(std::abs(seconds(audio.size()) - expected) <= 0.01 * expected,
                 qPrintable(QString::number(seconds(audio.size()))));
    }

    // A change of speed while playing into a recording device: the material goes on where
    // it was, nothing skipped or played twice: the tone's second gap comes where the
    // material up to it takes at each pace, and the whole lasts what the two paces make;
    // the change itself is neither a gap nor a click.
    void changeWhilePlayingGoesOn()
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("tone.mp3"), &audio);
        const double change = 1.5;  // material seconds played at 1 before the change
        const qint64 hold = qint64(change * kBytesPerSecond);
        audio.setBudget(hold);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        const double before = rig.engine.currentTime(id);
        rig.engine.doSetSpeed(id, 0.5);
        QVERIFY2(std::abs(rig.engine.currentTime(id) - before) <= 0.05,
                 qPrintable(QString::number(rig.engine.currentTime(id) - before)));
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const double expected = change + (kToneSeconds - change) / 0.5;
        const double heard = seconds(audio.size());
        QVERIFY2(std::abs(heard - expected) <= 0.01 * expected,
                 qPrintable(QString::number(heard, 'f', 4)));
        QVector<double> gaps;
        for (int i : gapStarts(leftChannel(audio.taken(), 2), kRate / 100))
            gaps.push_back(double(i) / kRate);
        // The tone's own two gaps and no other: the change made none.
        const double gapB = change + (kGapB - change) / 0.5;
        QVERIFY2(gaps.size() == 2 && std::abs(gaps[0] - kGapA) <= 0.03 &&
                     std::abs(gaps[1] - gapB) <= 0.05,
                 describe(gaps).constData());
        // Nor a click: no step from sample to sample around the change is steeper than the
        // tone's own steepest at its own pace.
        const QVector<int16_t> left = leftChannel(audio.taken(), 2);
        const auto steepest = [&](double from, double to) {
            int most = 0;
            for (int i = int(from * kRate) + 1; i < int(to * kRate); ++i)
                most = std::max(most, std::abs(int(left[i]) - int(left[i - 1])));
            return most;
        };
        const int own = steepest(0.2, 0.9);
        const int around = steepest(change - 0.1, change + 0.2);
        QVERIFY2(around <= own * 1.2, qPrintable(QStringLiteral("%1 > %2").arg(around).arg(own)));
    }

    // The output still holds what was written at the pace before a change: the position
    // counts it at that pace, so it goes on from where it was instead of jumping, and
    // counts what was written after the change at the new pace.
    void positionCountsWhatIsHeldAtItsPace()
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("tone.mp3"), &audio);
        const double held = 0.5;  // seconds of output not yet played
        audio.held = held;
        qint64 budget = 2 * kBytesPerSecond;
        audio.setBudget(budget);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), budget, kLong);
        const auto near = [&](double expected) {
            const double t = rig.engine.currentTime(id);
            return std::abs(t - expected) <= 0.05 ? QByteArray() : QByteArray::number(t, 'f', 4);
        };
        QVERIFY2(near(2.0 - held).isEmpty(), near(2.0 - held));
        const double slow = 0.5;
        rig.engine.doSetSpeed(id, slow);
        QVERIFY2(near(2.0 - held).isEmpty(), near(2.0 - held));
        // A quarter second more is played: all of it was held at the old pace.
        budget += kBytesPerSecond / 4;
        audio.setBudget(budget);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), budget, kLong);
        QVERIFY2(near(2.0 - held + 0.25).isEmpty(), near(2.0 - held + 0.25));
        QCOMPARE(rig.engine.heardSpeed(id), 1.0);
        // A second more: what is held is all at the new pace.
        budget += kBytesPerSecond;
        audio.setBudget(budget);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), budget, kLong);
        const double written = 2.0 + 1.25 * slow;
        QVERIFY2(near(written - held * slow).isEmpty(), near(written - held * slow));
        QCOMPARE(rig.engine.heardSpeed(id), slow);
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
    }
};

QTEST_MAIN(TestMediaSpeed)
#include "tst_mediaspeed.moc"
