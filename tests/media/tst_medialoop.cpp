// A looped range played by the engine into a recording device: every pass is the range and
// nothing else, the passes follow each other without a gap, and the loop ends on request.
// The material is three gapless sentences made by ffmpeg's encoders: 1000 Hz, then 2000 Hz
// rising from quiet to loud (so each pass's start is seen as the fall back to quiet), then
// 3000 Hz.
#include "EngineRig.h"
#include "TestSupport.h"

#include <QtTest>
#include <cmath>

using namespace mediatest;

namespace {
constexpr int kLoopRate = 48000;
constexpr int kWindow = kLoopRate / 500;  // 2 ms: a whole number of cycles of each tone
constexpr double kWindowMs = 2.0;
constexpr double kSentence = 1.0;  // seconds of each sentence
constexpr double kLoopStart = 1.0;
constexpr double kLoopEnd = 2.0;
constexpr double kSilence = 0.03 * 32767;  // RMS below this: nothing is heard

QStringList codecOf(const QString& name)
{
    if (name.endsWith(".mp3"))
        return {"-c:a", "libmp3lame", "-b:a", "128k"};
    if (name.endsWith(".m4a"))
        return {"-c:a", "aac", "-b:a", "128k"};
    if (name.endsWith(".ogg"))
        return {"-c:a", "libvorbis"};
    return {"-c:a", "pcm_s16le"};
}

bool makeSentences(const QString& path)
{
    const QString source =
        QStringLiteral("aevalsrc='if(lt(t,1),0.5*sin(2*PI*1000*t),if(lt(t,2),(0.1+0.8*(t-1))*"
                       "sin(2*PI*2000*t),0.5*sin(2*PI*3000*t)))':s=%1:d=%2")
            .arg(kLoopRate)
            .arg(3 * kSentence);
    return testsupport::makeAudio(path, source, codecOf(path));
}

// The sentences with a picture per second of one colour (red, lime, blue, white), so each
// picture tells which second it belongs to. A key picture every two seconds only: a seek to
// the looped sentence's start lands on the red second before it.
constexpr unsigned kSentenceColour = 0x00ff00;

bool makeColouredSentences(const QString& path)
{
    const QString seconds =
        QStringLiteral("color=c=red:s=160x120:r=25:d=1[a];color=c=lime:s=160x120:r=25:d=1[b];"
                       "color=c=blue:s=160x120:r=25:d=1[c];color=c=white:s=160x120:r=25:d=1[d];"
                       "[a][b][c][d]concat=n=4:v=1:a=0");
    const QString tones =
        QStringLiteral("aevalsrc='if(lt(t,1),0.5*sin(2*PI*1000*t),if(lt(t,2),(0.1+0.8*(t-1))*"
                       "sin(2*PI*2000*t),0.5*sin(2*PI*3000*t)))':s=%1:d=4")
            .arg(kLoopRate);
    return testsupport::run(QStringLiteral("ffmpeg"), {"-nostdin",
                                                       "-loglevel",
                                                       "error",
                                                       "-y",
                                                       "-f",
                                                       "lavfi",
                                                       "-i",
                                                       seconds,
                                                       "-f",
                                                       "lavfi",
                                                       "-i",
                                                       tones,
                                                       "-c:v",
                                                       "libx264",
                                                       "-pix_fmt",
                                                       "yuv420p",
                                                       "-g",
                                                       "50",
                                                       "-sc_threshold",
                                                       "0",
                                                       "-c:a",
                                                       "aac",
                                                       "-ac",
                                                       "1",
                                                       "-shortest",
                                                       path});
}

// Amplitude of the `hz` component of one window.
double amplitude(const QVector<int16_t>& s, int from, double hz)
{
    return toneAmplitude(s, from, kWindow, hz, kLoopRate);
}

// What each 2 ms window of the recording holds.
struct Window {
    double loop = 0;     // amplitude of the looped sentence's tone
    bool other = false;  // a neighbouring sentence's tone dominates
    bool silent = false;
};

QVector<Window> windows(const QVector<int16_t>& s)
{
    QVector<Window> out;
    for (int from = 0; from + kWindow <= s.size(); from += kWindow) {
        Window w;
        w.loop = amplitude(s, from, 2000);
        const double neighbour = std::max(amplitude(s, from, 1000), amplitude(s, from, 3000));
        w.other = neighbour > w.loop;
        w.silent = rms(s, from, from + kWindow) < kSilence;
        out.push_back(w);
    }
    return out;
}

// Windows where a pass starts: the looped tone falls back from loud to quiet.
QVector<int> passStarts(const QVector<Window>& w)
{
    QVector<int> out;
    for (int i = 1; i < w.size(); ++i)
        if (w[i - 1].loop > 0.6 * 32767 && w[i].loop < 0.3 * 32767)
            out.push_back(i);
    return out;
}
}  // namespace

class TestMediaLoop : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        for (const char* ext : {"wav", "mp3", "m4a", "ogg"})
            QVERIFY(makeSentences(dir.filePath(QStringLiteral("sentences.") + ext)));
        QVERIFY(makeColouredSentences(dir.filePath("sentences.mp4")));
    }

    // The pictures follow the loop: from the first picture of the sentence on, every picture
    // shown is one of the sentence's, pass after pass; none from before its start (where the
    // return to it lands) nor from past its end (which the video reaches before the sound).
    void picturesStayInTheSentence()
    {
        RecordingAudio audio;
        RecordingVideo video;
        Rig rig;
        MediaIdentifier id = ident(dir.filePath("sentences.mp4"), &audio, &video);
        id.start = float(kLoopStart);
        rig.engine.doOpen(id);
        rig.engine.doSetLoop(id, kLoopStart, kLoopEnd);
        const qint64 bytesPerSecond = kLoopRate * 2;
        const int perSecond = 25;
        const auto sentencePictures = [&] {
            int n = 0;
            for (unsigned c : video.colours())
                n += near(c, kSentenceColour);
            return n;
        };
        // The sound is let through a tenth of a second at a time, each step once the pictures
        // have caught up with it, as a display showing them in time would.
        const double passes = 3.5;
        const double step = 0.1;
        audio.setBudget(0);
        rig.engine.doStart(id, true);
        for (double played = step; played <= passes * kSentence + 1e-9; played += step) {
            const qint64 budget = qint64(played * bytesPerSecond) & ~qint64(1);
            audio.setBudget(budget);
            QTRY_COMPARE_WITH_TIMEOUT(audio.size(), budget, kLong);
            if (!QTest::qWaitFor([&] { return video.frames >= int(played * perSecond) - 2; }, 2000))
                break;  // the pictures stopped: what came is checked below
        }
        // Three returns to the start were made: the pictures of three whole passes came.
        QTRY_VERIFY_WITH_TIMEOUT(sentencePictures() >= 3 * perSecond * kSentence, kLong);
        QVERIFY(rig.stopped.isEmpty());
        const QVector<unsigned> colours = video.colours();
        int first = 0;
        while (first < colours.size() && !near(colours[first], kSentenceColour))
            ++first;
        for (int i = first; i < colours.size(); ++i)
            QVERIFY2(near(colours[i], kSentenceColour),
                     qPrintable(QStringLiteral("picture %1 of %2 is %3")
                                    .arg(i)
                                    .arg(colours.size())
                                    .arg(colours[i], 6, 16, QChar('0'))));
    }

    void eachPassIsTheSentence_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* ext : {"wav", "mp3", "m4a", "ogg"})
            QTest::newRow(ext) << QStringLiteral("sentences.") + ext;
    }

    // Started at the sentence's start, the channel plays it five times over; a pass lasts the
    // sentence's length to 10 ms, holds at most 5 ms of a neighbour's tone and no silence
    // over 5 ms. Ending the loop lets the channel play on into the next sentence.
    void eachPassIsTheSentence()
    {
        QFETCH(QString, name);
        // The device outlives the engine: a looping channel plays until the engine stops it.
        RecordingAudio audio;
        Rig rig;
        MediaIdentifier id = ident(dir.filePath(name), &audio);
        id.start = float(kLoopStart);
        rig.engine.doOpen(id);
        rig.engine.doSetLoop(id, kLoopStart, kLoopEnd);
        const qint64 passes = 5;
        const qint64 bytesPerSecond = kLoopRate * 2;
        audio.setBudget(qint64((passes + 0.5) * kSentence * bytesPerSecond) & ~qint64(1));
        rig.engine.doStart(id, true);
        QTRY_VERIFY_WITH_TIMEOUT(audio.size() >= (passes + 0.5) * kSentence * bytesPerSecond - 2,
                                 kLong);
        QCOMPARE(audio.rate.load(), kLoopRate);
        QCOMPARE(audio.channels.load(), 1);
        QVERIFY(rig.stopped.isEmpty());

        const QVector<Window> w = windows(leftChannel(audio.taken(), 1));
        const QVector<int> starts = passStarts(w);
        QVERIFY2(starts.size() == passes, QByteArray::number(int(starts.size())));
        QVector<double> lengths{starts[0] * kWindowMs / 1000};
        for (int i = 1; i < starts.size(); ++i)
            lengths.push_back((starts[i] - starts[i - 1]) * kWindowMs / 1000);
        for (double length : lengths)
            QVERIFY2(std::abs(length - kSentence) <= 0.010, describe(lengths).constData());
        for (int p = 0; p < starts.size(); ++p) {
            const int from = p == 0 ? 0 : starts[p - 1];
            int neighbour = 0;
            int silentRun = 0;
            int longestSilence = 0;
            for (int i = from; i < starts[p]; ++i) {
                neighbour += w[i].other && !w[i].silent;
                silentRun = w[i].silent ? silentRun + 1 : 0;
                longestSilence = std::max(longestSilence, silentRun);
            }
            QVERIFY2(neighbour * kWindowMs <= 5, qPrintable(QString::number(neighbour)));
            QVERIFY2(longestSilence * kWindowMs <= 5, qPrintable(QString::number(longestSilence)));
        }

        // Without the loop the channel plays on past the sentence's end into the next one.
        rig.engine.doSetLoop(id, -1, -1);
        const qint64 before = audio.size();
        audio.setBudget(-1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const QVector<Window> rest = windows(leftChannel(audio.taken().mid(int(before)), 1));
        int next = 0;
        for (const Window& r : rest)
            next += r.other && !r.silent;
        QVERIFY2(next * kWindowMs > 0.9 * kSentence * 1000, qPrintable(QString::number(next)));
    }

    // A seek inside the sentence while it loops, or a pause and resume there, plays on from
    // there to the sentence's end, and the passes after it are whole again.
    void seekInsideTheLoopKeepsThePasses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("pause");
        for (const char* ext : {"wav", "mp3", "m4a", "ogg"}) {
            const QString name = QStringLiteral("sentences.") + ext;
            QTest::newRow(qPrintable(name + " seek")) << name << false;
            QTest::newRow(qPrintable(name + " pause")) << name << true;
        }
    }

    void seekInsideTheLoopKeepsThePasses()
    {
        QFETCH(QString, name);
        QFETCH(bool, pause);
        // The device outlives the engine: a looping channel plays until the engine stops it.
        RecordingAudio audio;
        Rig rig;
        MediaIdentifier id = ident(dir.filePath(name), &audio);
        id.start = float(kLoopStart);
        rig.engine.doOpen(id);
        rig.engine.doSetLoop(id, kLoopStart, kLoopEnd);
        const qint64 bytesPerSecond = kLoopRate * 2;
        const qint64 hold = qint64(1.5 * kSentence * bytesPerSecond);
        audio.setBudget(hold);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold, kLong);
        // Held half way through the second pass.
        double target = kLoopStart + 0.25;
        if (pause) {
            target = kLoopStart + 0.5;
            QVERIFY(rig.engine.doPause(id, true));
            QVERIFY(rig.engine.doPause(id, false));
        } else {
            rig.engine.doSeekTime(id, target);
        }
        const qint64 more = qint64((kLoopEnd - target + 2.5 * kSentence) * bytesPerSecond);
        audio.setBudget(hold + more);
        QTRY_COMPARE_WITH_TIMEOUT(audio.size(), hold + more, kLong);

        const QVector<Window> w = windows(leftChannel(audio.taken().mid(int(hold)), 1));
        const QVector<int> starts = passStarts(w);
        QVERIFY2(starts.size() == 3, QByteArray::number(int(starts.size())));
        const QVector<double> expected{kLoopEnd - target, kSentence, kSentence};
        QVector<double> lengths{starts[0] * kWindowMs / 1000};
        for (int i = 1; i < starts.size(); ++i)
            lengths.push_back((starts[i] - starts[i - 1]) * kWindowMs / 1000);
        for (int i = 0; i < lengths.size(); ++i)
            QVERIFY2(std::abs(lengths[i] - expected[i]) <= 0.010, describe(lengths).constData());
        for (const Window& x : w)
            QVERIFY(!x.silent && !x.other);
    }
};

QTEST_MAIN(TestMediaLoop)
#include "tst_medialoop.moc"
