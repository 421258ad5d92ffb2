// Waveform extraction end to end: fixtures made by the ffmpeg tool at test time, decoded by
// the real workers, the pictures read back column by column.
#include "PeaksFile.h"
#include "Ploter.h"
#include "TestSupport.h"
#include "WaveColumns.h"
#include "WaveImage.h"
#include "WavePeaks.h"
#include "plotThread.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace waveimage;

namespace {
// A 440 Hz tone at half scale inside the given seconds, silence elsewhere.
QString toneBetween(const QString& windows, int rate, double seconds, bool stereoLeftOnly = false)
{
    const QString tone = QStringLiteral("0.5*sin(2*PI*440*t)*(%1)").arg(windows);
    const QString exprs = stereoLeftOnly ? tone + QStringLiteral("|0") : tone;
    return QStringLiteral("aevalsrc=exprs='%1':s=%2:d=%3").arg(exprs).arg(rate).arg(seconds);
}

const QStringList kWav{QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")};
const QStringList kMp3{QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                       QStringLiteral("128k")};

bool announced(const QSignalSpy& spy, const PlotIdentifier& id)
{
    for (const QList<QVariant>& args : spy)
        if (args.at(0).value<PlotIdentifier>() == id)
            return true;
    return false;
}

int announcements(const QSignalSpy& spy, const PlotIdentifier& id)
{
    int n = 0;
    for (const QList<QVariant>& args : spy)
        n += args.at(0).value<PlotIdentifier>() == id ? 1 : 0;
    return n;
}

bool waitAnnounced(QSignalSpy& spy, const PlotIdentifier& id)
{
    QDeadlineTimer deadline(60000);
    while (!announced(spy, id)) {
        if (deadline.hasExpired())
            return false;
        spy.wait(100);
    }
    return true;
}
}  // namespace

class TestPloter : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString burst;        // 5.61 s, 8 kHz mono: tone in [2, 3)
    QString tenSec;       // 10 s, 8 kHz mono: tone in [4, 5) and [8.5, 10)
    QString scales;       // 5.61 s, 8 kHz mono: 2 kHz at half scale, then at full scale
    QString mp3;          // 10 s, 44.1 kHz stereo MP3: tone in [4, 5) on the left only
    QString longMp3;      // 60 s stereo MP3 for computations that are still running
    QString movie;        // 10 s video with audio, the video counting in a finer time base
    QString silentMovie;  // video without an audio stream

    QImage plot(Ploter& ploter, const PlotIdentifier& id)
    {
        QSignalSpy spy(&ploter, &Ploter::sigPlotDone);
        ploter.doPlot(id);
        if (!waitAnnounced(spy, id))
            return {};
        const QImage* picture = ploter.pixmap(id);
        return picture ? *picture : QImage();
    }

private Q_SLOTS:
    void initTestCase();
    void walkBoundaries();
    void wholeFileColumns();
    void barsStandOnTheBottomEdge();
    void realMp3Stereo();
    void seekIndexFollowsTheFile();
    void sentenceRanges();
    void mixedStreamsStopAtTheAudioEnd();
    void cacheAnswersAtOnce();
    void clearSentencePlotsKeepsWholeFile();
    void cacheFollowsTheFile();
    void lateAudioCountsFromTheFileStart();
    void trueLengthFromDecoding_data();
    void trueLengthFromDecoding();
    void sentencePicturesAreBounded();
    void forgetStopsRunningWorker();
    void abortedWorkerNeverSignals();
    void unopenableFiles();
    void fileWithoutAudio();
    void destroyingWhileRunning();
    void unicodePath();
    void storedPeaksDrawTheFileAgain();
    void unsoundPeaksFilesAreIgnored();
    void longFilesPeaksRoundTrip();
};

void TestPloter::initTestCase()
{
    QVERIFY(dir.isValid());
    burst = dir.filePath(QStringLiteral("burst.wav"));
    tenSec = dir.filePath(QStringLiteral("ten.wav"));
    scales = dir.filePath(QStringLiteral("scales.wav"));
    mp3 = dir.filePath(QStringLiteral("left.mp3"));
    longMp3 = dir.filePath(QStringLiteral("long.mp3"));
    movie = dir.filePath(QStringLiteral("movie.mp4"));
    silentMovie = dir.filePath(QStringLiteral("silent.mp4"));
    using testsupport::makeAudio;
    QVERIFY(makeAudio(burst, toneBetween(QStringLiteral("gte(t,2)*lt(t,3)"), 8000, 5.61), kWav));
    QVERIFY(makeAudio(tenSec, toneBetween(QStringLiteral("gte(t,4)*lt(t,5)+gte(t,8.5)"), 8000, 10),
                      kWav));
    QVERIFY(makeAudio(
        scales,
        QStringLiteral("aevalsrc=exprs='sin(2*PI*2000*t)*if(lt(t,2.805),0.5,1)':s=8000:d=5.61"),
        kWav));
    QVERIFY(makeAudio(mp3, toneBetween(QStringLiteral("gte(t,4)*lt(t,5)"), 44100, 10, true), kMp3));
    QVERIFY(makeAudio(longMp3, QStringLiteral("sine=frequency=300:sample_rate=44100:duration=60"),
                      kMp3 + QStringList{QStringLiteral("-ac"), QStringLiteral("2")}));
    QVERIFY(makeAudio(movie, QStringLiteral("testsrc=d=10:s=64x48:r=10"),
                      {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                       toneBetween(QStringLiteral("gte(t,4)*lt(t,5)"), 44100, 10),
                       QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
                       QStringLiteral("aac"), QStringLiteral("-video_track_timescale"),
                       QStringLiteral("90000")}));
    QVERIFY(makeAudio(silentMovie, QStringLiteral("testsrc=d=2:s=64x48:r=10"),
                      {QStringLiteral("-c:v"), QStringLiteral("mpeg4")}));
}

void TestPloter::walkBoundaries()
{
    // Blocks of 16 frames; a stereo walk counts frames, not values.
    WavePeaks peaks;
    peaks.reset(2);
    std::vector<std::int16_t> values(2 * 16, 0);
    values[31] = 16384;  // the last value of block 0 still belongs to it
    peaks.add(values.data(), values.size());
    values.assign(2, 0);
    values[0] = -16384;  // the first frame of block 1
    peaks.add(values.data(), values.size());
    QCOMPARE(peaks.frames(), std::int64_t(17));
    QCOMPARE(peaks.blocks().size(), std::size_t(1));
    QCOMPARE(peaks.blocks()[0], (WavePeaks::Peak{0, 16384}));
    peaks.finish();
    QCOMPARE(peaks.blocks().size(), std::size_t(2));
    QCOMPARE(peaks.blocks()[1], (WavePeaks::Peak{-16384, 0}));

    // Laid out on 561 * 16 frames: one block a column. Column 0: 0..16384 -> rows 7..20,
    // 13 pixels; column 1: the short last block; the rest, never reached, stays black.
    WaveColumns columns;
    peaks.render(columns, 561 * 16);
    QCOMPARE(barHeightAt(columns.picture(), 0), 13);
    QCOMPARE(barHeightAt(columns.picture(), 1), 12);
    QCOMPARE(barHeightAt(columns.picture(), 2), 0);
    QCOMPARE(columns.completedColumns(), 2);

    // A long walk merges neighbours: the blocks stay bounded and the picture the same as a
    // walk of the same sound cut into other runs.
    std::vector<std::int16_t> loud(std::size_t(WavePeaks::kMaxBlocks) * 16 * 3, 0);
    for (std::size_t i = 0; i < loud.size(); ++i)
        loud[i] = std::int16_t((i / 7919) % 2 ? 16384 : -8192 * int((i / 104729) % 3));
    WavePeaks whole, pieces;
    whole.reset(1);
    pieces.reset(1);
    whole.add(loud.data(), loud.size());
    for (std::size_t i = 0; i < loud.size(); i += 1000)
        pieces.add(loud.data() + i, std::min<std::size_t>(1000, loud.size() - i));
    whole.finish();
    pieces.finish();
    QVERIFY(whole.blocks().size() <= WavePeaks::kMaxBlocks);
    QCOMPARE(whole.blockFrames(), std::int64_t(64));
    QCOMPARE(whole.frames(), std::int64_t(loud.size()));
    QVERIFY(whole.blocks() == pieces.blocks());
    WaveColumns a, b;
    whole.render(a, whole.frames());
    pieces.render(b, pieces.frames());
    QCOMPARE(a.picture(), b.picture());
    QCOMPARE(a.completedColumns(), 561);
}

void TestPloter::wholeFileColumns()
{
    // 5.61 s over 561 columns: 10 ms a column, so the tone lands in columns 200..299.
    Ploter ploter;
    const PlotIdentifier id{burst, -1, -1};
    const QImage picture = plot(ploter, id);
    QCOMPARE(picture.size(), QSize(561, 40));
    QCOMPARE(ploter.duration(id), 5.61f);
    const std::vector<bool> lit = litColumns(picture);
    QCOMPARE(expectColumns(lit, 201, 298, true), QString());
    QCOMPARE(expectColumns(lit, 0, 198, false), QString());
    QCOMPARE(expectColumns(lit, 301, 560, false), QString());
    const int count = countLit(lit, 0, 560);
    QVERIFY2(count >= 99 && count <= 101, qPrintable(QString::number(count)));
}

void TestPloter::barsStandOnTheBottomEdge()
{
    // Half scale (±16384): rows trunc(20 - 12.1) = 7 to trunc(20 + 12.1) = 32, 25 pixels.
    // Full scale overshoots and fills all 40 rows.
    Ploter ploter;
    const QImage picture = plot(ploter, PlotIdentifier{scales, -1, -1});
    QCOMPARE(picture.size(), QSize(561, 40));
    for (int c = 2; c < 278; ++c)
        QCOMPARE(barHeightAt(picture, c), 25);
    for (int c = 283; c < 561; ++c)
        QCOMPARE(barHeightAt(picture, c), 40);
    // The gradient runs from dark blue at the bar's top to light blue at the bottom edge.
    const QColor top = picture.pixelColor(100, 15);
    const QColor bottom = picture.pixelColor(100, 39);
    QVERIFY2(qAbs(top.red() - 24) < 12 && qAbs(top.green() - 120) < 12 &&
                 qAbs(top.blue() - 164) < 12,
             qPrintable(top.name()));
    QVERIFY2(qAbs(bottom.red() - 157) < 12 && qAbs(bottom.green() - 214) < 12 &&
                 qAbs(bottom.blue() - 240) < 12,
             qPrintable(bottom.name()));
    QVERIFY(picture.pixelColor(100, 20).blue() > top.blue());
}

void TestPloter::realMp3Stereo()
{
    // Interleaved stereo without down-mixing: a tone on the left channel alone still
    // covers its tenth of the file, columns 224..280, give or take the codec's edges.
    Ploter ploter;
    const PlotIdentifier id{mp3, -1, -1};
    const QImage picture = plot(ploter, id);
    QVERIFY(qAbs(ploter.duration(id) - 10.0f) < 0.1f);
    const std::vector<bool> lit = litColumns(picture);
    QCOMPARE(expectColumns(lit, 228, 277, true), QString());
    QCOMPARE(expectColumns(lit, 0, 219, false), QString());
    QCOMPARE(expectColumns(lit, 286, 560, false), QString());

    // A sentence of it: (3, 6) seeks into the MP3; the tone takes the middle third.
    const PlotIdentifier sentence{mp3, 3, 6};
    const std::vector<bool> part = litColumns(plot(ploter, sentence));
    QCOMPARE(expectColumns(part, 192, 369, true), QString());
    QCOMPARE(expectColumns(part, 0, 181, false), QString());
    QCOMPARE(expectColumns(part, 380, 560, false), QString());

    // The sentence was found through the frame positions the whole-file worker learnt; a
    // fresh Ploter reads up to it instead and must paint the same picture.
    Ploter fresh;
    QCOMPARE(plot(fresh, sentence), *ploter.pixmap(sentence));
}

void TestPloter::seekIndexFollowsTheFile()
{
    // Frame positions learnt from one file must not steer a seek once the file has been
    // replaced: here by one at half the bit rate, with its tone two seconds later.
    const QString path = dir.filePath(QStringLiteral("replaced.mp3"));
    QVERIFY(QFile::copy(mp3, path));
    Ploter ploter;
    QVERIFY(!plot(ploter, PlotIdentifier{path, -1, -1}).isNull());
    QVERIFY(QFile::remove(path));
    QVERIFY(testsupport::makeAudio(path,
                                   toneBetween(QStringLiteral("gte(t,6)*lt(t,7)"), 44100, 12, true),
                                   {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                                    QStringLiteral("-b:a"), QStringLiteral("64k")}));
    const std::vector<bool> lit = litColumns(plot(ploter, PlotIdentifier{path, 5, 8}));
    QCOMPARE(expectColumns(lit, 192, 369, true), QString());
    QCOMPARE(expectColumns(lit, 0, 181, false), QString());
    QCOMPARE(expectColumns(lit, 380, 560, false), QString());
}

void TestPloter::sentenceRanges()
{
    Ploter ploter;
    // The whole file for comparison: 56.1 columns a second.
    const std::vector<bool> whole = litColumns(plot(ploter, PlotIdentifier{tenSec, -1, -1}));
    QCOMPARE(expectColumns(whole, 226, 279, true), QString());
    QCOMPARE(expectColumns(whole, 479, 560, true), QString());

    // (3, 6): 561 columns span the three seconds; the tone [4, 5) is the middle third.
    const PlotIdentifier middle{tenSec, 3, 6};
    const std::vector<bool> a = litColumns(plot(ploter, middle));
    QCOMPARE(expectColumns(a, 189, 372, true), QString());
    QCOMPARE(expectColumns(a, 0, 185, false), QString());
    QCOMPARE(expectColumns(a, 376, 560, false), QString());
    QCOMPARE(ploter.duration(middle), 10.0f);

    // (7, -1): to the end of the file; the tone from 8.5 s fills the second half, up to the
    // last column.
    const std::vector<bool> b = litColumns(plot(ploter, PlotIdentifier{tenSec, 7, -1}));
    QCOMPARE(expectColumns(b, 0, 278, false), QString());
    QCOMPARE(expectColumns(b, 282, 560, true), QString());

    // (-1, 5): the whole file's column width, stopped at 5 s: the later tone never shows.
    const std::vector<bool> c = litColumns(plot(ploter, PlotIdentifier{tenSec, -1, 5}));
    QCOMPARE(expectColumns(c, 226, 279, true), QString());
    QCOMPARE(expectColumns(c, 0, 222, false), QString());
    QCOMPARE(expectColumns(c, 300, 560, false), QString());
}

void TestPloter::mixedStreamsStopAtTheAudioEnd()
{
    // The video stream counts 90000 ticks a second, the audio 44100: a video timestamp
    // compared unscaled with the audio end would stop this range near 2.5 s.
    Ploter ploter;
    const std::vector<bool> lit = litColumns(plot(ploter, PlotIdentifier{movie, -1, 5}));
    QCOMPARE(expectColumns(lit, 229, 277, true), QString());
    QCOMPARE(expectColumns(lit, 0, 219, false), QString());
    QCOMPARE(expectColumns(lit, 300, 560, false), QString());
}

void TestPloter::cacheAnswersAtOnce()
{
    Ploter ploter;
    const PlotIdentifier id{burst, -1, -1};
    QVERIFY(!plot(ploter, id).isNull());
    const QImage* first = ploter.pixmap(id);
    QVERIFY(first);

    // Finished: announced again before doPlot returns, with the same picture.
    QSignalSpy spy(&ploter, &Ploter::sigPlotDone);
    ploter.doPlot(id);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<PlotIdentifier>(), id);
    QCOMPARE(ploter.pixmap(id), first);

    // Running: a second request neither restarts nor announces; one report in the end.
    spy.clear();
    const PlotIdentifier other{longMp3, -1, -1};
    ploter.doPlot(other);
    QVERIFY(ploter.isRunning(other));
    QVERIFY(ploter.duration(other) > 59.0f);  // known at once, from the header
    QVERIFY(!ploter.pixmap(other));
    ploter.doPlot(other);
    QCOMPARE(spy.count(), 0);
    QVERIFY(waitAnnounced(spy, other));
    QTest::qWait(100);
    QCOMPARE(announcements(spy, other), 1);
    QVERIFY(!ploter.isRunning(other));
    QVERIFY(ploter.pixmap(other));
}

void TestPloter::trueLengthFromDecoding_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("seconds");  // true length
    QTest::addColumn<double>("quiet");    // silence before the sound, seconds
    QTest::newRow("Xing header claiming more") << QStringLiteral("cut.mp3") << 12.0 << 0.0;
    QTest::newRow("VBR without Xing header") << QStringLiteral("vbr.mp3") << 20.0 << 2.0;
    QTest::newRow("ADTS AAC") << QStringLiteral("adts.aac") << 20.0 << 3.0;
}

void TestPloter::trueLengthFromDecoding()
{
    // The container's duration is an estimate some files get far wrong; the picture is laid
    // out on the decoded length, which the Ploter then reports as the duration.
    QFETCH(QString, name);
    QFETCH(double, seconds);
    QFETCH(double, quiet);
    const QString path = dir.filePath(name);
    const QString noiseOf = QStringLiteral("anoisesrc=d=%1:c=white:a=0.5");
    const QString noise = noiseOf.arg(seconds);
    const QString gate = QStringLiteral("volume=volume=0:enable='lt(t,%1)'").arg(quiet);
    if (name == QLatin1String("cut.mp3")) {
        // 20 s encoded, the Xing header says so; the file is cut after 60 % of its bytes.
        const QString whole = dir.filePath(QStringLiteral("uncut.mp3"));
        QVERIFY(testsupport::makeAudio(whole, noiseOf.arg(20), kMp3));
        QFile in(whole);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes.left(bytes.size() * 6 / 10));
    } else if (name.endsWith(QLatin1String(".mp3"))) {
        QVERIFY(testsupport::makeAudio(path, noise,
                                       {QStringLiteral("-af"), gate, QStringLiteral("-c:a"),
                                        QStringLiteral("libmp3lame"), QStringLiteral("-q:a"),
                                        QStringLiteral("2"), QStringLiteral("-write_xing"),
                                        QStringLiteral("0")}));
    } else {
        QVERIFY(testsupport::makeAudio(
            path, noise,
            {QStringLiteral("-af"), gate, QStringLiteral("-c:a"), QStringLiteral("aac")}));
    }
    Ploter ploter;
    const PlotIdentifier id{path, -1, -1};
    ploter.doPlot(id);
    const float estimate = ploter.duration(id);
    QSignalSpy spy(&ploter, &Ploter::sigPlotDone);
    QVERIFY(waitAnnounced(spy, id));
    const float length = ploter.duration(id);
    QVERIFY2(std::abs(length - seconds) < 0.1,
             qPrintable(QStringLiteral("%1 decoded, %2 estimated").arg(length).arg(estimate)));
    const std::vector<bool> lit = litColumns(*ploter.pixmap(id));
    const int first = int(std::ceil(quiet / seconds * 561));
    QCOMPARE(expectColumns(lit, first + 2, 560, true), QString());
    if (first > 2)
        QCOMPARE(expectColumns(lit, 0, first - 2, false), QString());
    // A sentence of it asked for afterwards reports the true length too.
    const PlotIdentifier sentence{path, 1, 2};
    ploter.doPlot(sentence);
    QCOMPARE(ploter.duration(sentence), length);
}

void TestPloter::lateAudioCountsFromTheFileStart()
{
    // A video whose audio track starts 2 s into the file, a 50 ms burst at every whole
    // second of the sound: the player's clock hears them at 2, 3, 4 ... s of the file, so the
    // pictures must show them there too, not counted from the sound's first sample.
    const QString path = dir.filePath(QStringLiteral("late.mp4"));
    QVERIFY(testsupport::makeAudio(
        path, QStringLiteral("testsrc=d=8:s=64x48:r=10"),
        {QStringLiteral("-itsoffset"), QStringLiteral("2"), QStringLiteral("-f"),
         QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral(
             "aevalsrc=exprs='0.5*sin(2*PI*1000*t)*lt(mod(t+0.001,1),0.05)':s=44100:d=6"),
         QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
         QStringLiteral("aac")}));
    Ploter ploter;
    // (2.5, 4.5): bursts at 3 and 4 s, a quarter and three quarters across.
    const std::vector<bool> part = litColumns(plot(ploter, PlotIdentifier{path, 2.5f, 4.5f}));
    QCOMPARE(expectColumns(part, 141, 152, true), QString());
    QCOMPARE(expectColumns(part, 421, 432, true), QString());
    QCOMPARE(expectColumns(part, 0, 130, false), QString());
    QCOMPARE(expectColumns(part, 165, 410, false), QString());
    QCOMPARE(expectColumns(part, 445, 560, false), QString());
    // The whole file: nothing before 2 s (8 s over 561 columns: 70 columns a second).
    const std::vector<bool> whole = litColumns(plot(ploter, PlotIdentifier{path, -1, -1}));
    QCOMPARE(expectColumns(whole, 0, 136, false), QString());
    QCOMPARE(expectColumns(whole, 141, 142, true), QString());
    QCOMPARE(expectColumns(whole, 211, 212, true), QString());
}

void TestPloter::cacheFollowsTheFile()
{
    // A material removed and another saved under the same name: the cache must not answer
    // with the old file's picture and duration.
    const QString path = dir.filePath(QStringLiteral("renamed.wav"));
    QVERIFY(QFile::copy(burst, path));
    Ploter ploter;
    const PlotIdentifier whole{path, -1, -1};
    const PlotIdentifier sentence{path, 4, 5};
    const std::vector<bool> before = litColumns(plot(ploter, whole));
    QCOMPARE(expectColumns(before, 201, 298, true), QString());
    QVERIFY(!plot(ploter, sentence).isNull());
    QCOMPARE(ploter.duration(whole), 5.61f);

    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::copy(tenSec, path));
    QSignalSpy spy(&ploter, &Ploter::sigPlotDone);
    ploter.doPlot(whole);
    QCOMPARE(spy.count(), 0);  // not answered from the cache: computed afresh
    QVERIFY(waitAnnounced(spy, whole));
    QCOMPARE(ploter.duration(whole), 10.0f);
    const std::vector<bool> after = litColumns(*ploter.pixmap(whole));
    QCOMPARE(expectColumns(after, 226, 279, true), QString());
    QCOMPARE(expectColumns(after, 479, 560, true), QString());
    // The sentence (4, 5) of the new file is all tone; of the old one it was silence.
    const std::vector<bool> part = litColumns(plot(ploter, sentence));
    QCOMPARE(expectColumns(part, 2, 558, true), QString());
}

void TestPloter::sentencePicturesAreBounded()
{
    // Playing a long material sentence by sentence must not keep every picture: the least
    // recently used go, and the one on show stays where the view holds it.
    Ploter ploter;
    const PlotIdentifier shown{tenSec, 0, 0.1f};
    QVERIFY(!plot(ploter, shown).isNull());
    const QImage* held = ploter.pixmap(shown);
    QVERIFY(held);
    const QImage copy = *held;
    // Other sentences computed meanwhile (ahead of time, say) without being shown.
    const int extra = int(Ploter::kSentencePictures) + 6;
    QSignalSpy spy(&ploter, &Ploter::sigPlotDone);
    for (int i = 1; i <= extra; ++i) {
        const float start = 0.1f * float(i);
        const PlotIdentifier id{tenSec, start, start + 0.1f};
        ploter.doPlot(id);
        QVERIFY(waitAnnounced(spy, id));
    }
    QCOMPARE(ploter.sentencePictureCount(), Ploter::kSentencePictures);
    QCOMPARE(ploter.pixmap(shown), held);
    QCOMPARE(*held, copy);
    // The oldest ones not on show were evicted; the newest stay.
    QVERIFY(!ploter.pixmap(PlotIdentifier{tenSec, 0.1f, 0.2f}));
    const float last = 0.1f * float(extra);
    QVERIFY(ploter.pixmap(PlotIdentifier{tenSec, last, last + 0.1f}));
}

void TestPloter::clearSentencePlotsKeepsWholeFile()
{
    Ploter ploter;
    const PlotIdentifier whole{tenSec, -1, -1};
    const PlotIdentifier sentence{tenSec, 3, 6};
    QVERIFY(!plot(ploter, whole).isNull());
    QVERIFY(!plot(ploter, sentence).isNull());

    // One more of each kind still running when the sentences are cleared.
    QSignalSpy spy(&ploter, &Ploter::sigPlotDone);
    const PlotIdentifier runningWhole{longMp3, -1, -1};
    const PlotIdentifier runningSentence{longMp3, 20, 40};
    ploter.doPlot(runningWhole);
    ploter.doPlot(runningSentence);
    ploter.clearSentencePlots();

    QVERIFY(ploter.pixmap(whole));
    QCOMPARE(ploter.duration(whole), 10.0f);
    QVERIFY(!ploter.pixmap(sentence));
    QCOMPARE(ploter.duration(sentence), -1.0f);
    QVERIFY(!ploter.isRunning(runningSentence));
    QCOMPARE(ploter.duration(runningSentence), -1.0f);
    QVERIFY(ploter.isRunning(runningWhole) || ploter.pixmap(runningWhole));

    QVERIFY(waitAnnounced(spy, runningWhole));
    QTest::qWait(100);
    QCOMPARE(announcements(spy, runningSentence), 0);
    QVERIFY(!ploter.pixmap(runningSentence));
}

void TestPloter::forgetStopsRunningWorker()
{
    Ploter ploter;
    QSignalSpy spy(&ploter, &Ploter::sigPlotDone);
    const PlotIdentifier id{longMp3, -1, -1};
    ploter.doPlot(id);
    QVERIFY(ploter.isRunning(id));
    ploter.forget(id);
    QVERIFY(!ploter.isRunning(id));
    QCOMPARE(ploter.duration(id), -1.0f);
    // Whether the worker was mid-file or already done, nothing may report it later.
    QTest::qWait(300);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!ploter.pixmap(id));

    // Forgetting a finished picture drops it; asking again computes it afresh.
    const PlotIdentifier small{burst, -1, -1};
    QVERIFY(!plot(ploter, small).isNull());
    ploter.forget(small);
    QVERIFY(!ploter.pixmap(small));
    spy.clear();
    ploter.doPlot(small);
    QCOMPARE(spy.count(), 0);
    QVERIFY(waitAnnounced(spy, small));
}

void TestPloter::abortedWorkerNeverSignals()
{
    // The abort flag set before the first packet: the worker stops without a report and
    // without drawing a column.
    plotThread aborted;
    QVERIFY(aborted.open(longMp3));
    QSignalSpy abortedSpy(&aborted, &plotThread::sigThreadDone);
    aborted.abort();
    aborted.start();
    QVERIFY(aborted.wait(60000));
    QCOMPARE(abortedSpy.count(), 0);
    QCOMPARE(aborted.completedColumns(), 0);
    aborted.close();

    // The same file left alone completes every column and reports once.
    plotThread whole;
    QVERIFY(whole.open(longMp3));
    QSignalSpy wholeSpy(&whole, &plotThread::sigThreadDone);
    whole.start();
    QVERIFY(whole.wait(60000));
    QCOMPARE(wholeSpy.count(), 1);
    QVERIFY(whole.completedColumns() >= plotThread::kColumns - 1);
    QCOMPARE(countLit(litColumns(whole.picture()), 0, 559), 560);
    whole.close();
}

void TestPloter::unopenableFiles()
{
    const QString garbage = dir.filePath(QStringLiteral("garbage.mp3"));
    {
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    Ploter ploter;
    for (const QString& path : {dir.filePath(QStringLiteral("missing.mp3")), garbage}) {
        const PlotIdentifier id{path, -1, -1};
        const QImage picture = plot(ploter, id);
        QCOMPARE(picture.size(), QSize(561, 40));
        QCOMPARE(countLit(litColumns(picture), 0, 560), 0);
        QCOMPARE(ploter.duration(id), -1.0f);
        QVERIFY(!ploter.isRunning(id));
    }
}

void TestPloter::fileWithoutAudio()
{
    Ploter ploter;
    const PlotIdentifier id{silentMovie, -1, -1};
    const QImage picture = plot(ploter, id);
    QCOMPARE(picture.size(), QSize(561, 40));
    QCOMPARE(countLit(litColumns(picture), 0, 560), 0);
    QVERIFY(qAbs(ploter.duration(id) - 2.0f) < 0.2f);
}

void TestPloter::destroyingWhileRunning()
{
    auto* ploter = new Ploter;
    QSignalSpy spy(ploter, &Ploter::sigPlotDone);
    ploter->doPlot(PlotIdentifier{longMp3, -1, -1});
    ploter->doPlot(PlotIdentifier{longMp3, 10, 20});
    ploter->doPlot(PlotIdentifier{tenSec, -1, -1});
    delete ploter;  // aborts, waits for and deletes every worker
    QTest::qWait(100);
    QCOMPARE(spy.count(), 0);
}

void TestPloter::unicodePath()
{
    const QString named = dir.filePath(QStringLiteral("录音 片段.wav"));
    QVERIFY(QFile::copy(burst, named));
    Ploter ploter;
    const QImage original = plot(ploter, PlotIdentifier{burst, -1, -1});
    const QImage copy = plot(ploter, PlotIdentifier{named, -1, -1});
    QVERIFY(!copy.isNull());
    QCOMPARE(copy, original);
}

QTEST_GUILESS_MAIN(TestPloter)
#include "tst_ploter.moc"

void TestPloter::storedPeaksDrawTheFileAgain()
{
    // Once plotted whole, a file is drawn from its stored peaks. The media file is then
    // overwritten with undecodable bytes of the same size and time: a later Ploter still
    // draws the decoded picture, at once, so it cannot have decoded anything.
    const QString path = dir.filePath(QStringLiteral("stored.mp3"));
    const QString peaks = dir.filePath(QStringLiteral("stored.peaks"));
    QVERIFY(QFile::copy(mp3, path));
    const PlotIdentifier whole{path, -1, -1};
    QImage decoded;
    float length = -1;
    {
        Ploter first;
        first.keepPeaksIn(path, peaks);
        decoded = plot(first, whole);
        length = first.duration(whole);
    }
    QVERIFY(!decoded.isNull());
    QVERIFY(length > 9.9f);
    QVERIFY(QFile::exists(peaks));

    const FileIdentity identity = FileIdentity::of(path);
    {
        QFile media(path);
        QVERIFY(media.open(QIODevice::ReadWrite));
        QVERIFY(media.write(QByteArray(media.size(), char(0x55))) == identity.size);
        media.close();
        QVERIFY(media.open(QIODevice::ReadWrite));
        QVERIFY(media.setFileTime(identity.modified, QFileDevice::FileModificationTime));
    }
    QVERIFY(FileIdentity::of(path) == identity);

    Ploter second;
    second.keepPeaksIn(path, peaks);
    QSignalSpy spy(&second, &Ploter::sigPlotDone);
    second.doPlot(whole);
    QCOMPARE(spy.count(), 1);  // answered before doPlot returned
    QCOMPARE(second.runningCount(), std::size_t(0));
    QVERIFY(second.pixmap(whole));
    QCOMPARE(*second.pixmap(whole), decoded);
    QCOMPARE(second.duration(whole), length);

    // Without its peaks file the same bytes give no waveform at all.
    Ploter unaided;
    QVERIFY(plot(unaided, whole) != decoded);
}

void TestPloter::unsoundPeaksFilesAreIgnored()
{
    // A peaks file of another version of the media file, or a damaged one, is never drawn:
    // the file is decoded again and the peaks file rewritten.
    const QString path = dir.filePath(QStringLiteral("kept.wav"));
    const QString peaks = dir.filePath(QStringLiteral("kept.peaks"));
    QVERIFY(QFile::copy(tenSec, path));
    const PlotIdentifier whole{path, -1, -1};
    const FileIdentity identity = FileIdentity::of(path);
    QImage decoded;
    {
        Ploter first;
        first.keepPeaksIn(path, peaks);
        decoded = plot(first, whole);
    }
    QVERIFY(!decoded.isNull());
    const std::optional<PeaksFile::Stored> sound = PeaksFile::read(peaks, identity);
    QVERIFY(sound);
    QCOMPARE(sound->sampleRate, 8000);
    QCOMPARE(sound->peaks.frames(), std::int64_t(80000));
    QFile file(peaks);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();

    // Full-scale peaks for the same file one second older: stale, so never drawn.
    WavePeaks loud;
    loud.assign(
        1, sound->peaks.frames(), sound->peaks.blockFrames(),
        std::vector<WavePeaks::Peak>(sound->peaks.blocks().size(), WavePeaks::Peak{-32768, 32767}));
    FileIdentity older = identity;
    older.modified = identity.modified.addSecs(-1);
    QVERIFY(PeaksFile::write(peaks, older, loud, 8000));
    QFile stale(peaks);
    QVERIFY(stale.open(QIODevice::ReadOnly));
    const QByteArray staleBytes = stale.readAll();
    stale.close();

    QByteArray wrongCount = bytes;
    wrongCount[48] = char(wrongCount[48] + 1);  // the block count, first byte
    QByteArray wrongMagic = bytes;
    wrongMagic[0] = 'X';
    QByteArray positivePeak = bytes;
    positivePeak[52] = 1;  // the first block's low, above 0
    const QList<QPair<const char*, QByteArray>> damaged{
        {"stale", staleBytes},
        {"truncated", bytes.left(bytes.size() - 4)},
        {"longer", bytes + QByteArray(4, 0)},
        {"header only", bytes.left(52)},
        {"empty", QByteArray()},
        {"wrong magic", wrongMagic},
        {"wrong count", wrongCount},
        {"impossible peak", positivePeak},
        {"garbage", QByteArray(bytes.size(), char(0x7f))},
    };
    for (const auto& [name, content] : damaged) {
        QFile out(peaks);
        QVERIFY2(out.open(QIODevice::WriteOnly | QIODevice::Truncate), name);
        QVERIFY2(out.write(content) == content.size(), name);
        out.close();
        QVERIFY2(!PeaksFile::read(peaks, identity), name);
        Ploter again;
        again.keepPeaksIn(path, peaks);
        QSignalSpy spy(&again, &Ploter::sigPlotDone);
        again.doPlot(whole);
        QVERIFY2(spy.count() == 0, name);  // not drawn from the file: decoding
        QVERIFY2(waitAnnounced(spy, whole), name);
        QVERIFY2(*again.pixmap(whole) == decoded, name);
        QVERIFY2(again.duration(whole) == 10.0f, name);
        QVERIFY2(PeaksFile::read(peaks, identity), name);  // rewritten
    }
}

void TestPloter::longFilesPeaksRoundTrip()
{
    // Peaks of a long file have been merged several times and end on a short block: they
    // must read back exactly as written, or a long material would be decoded at every open.
    WavePeaks peaks;
    peaks.reset(2);
    const std::vector<std::int16_t> loud{-20000, 30000, -12000, 5};
    for (int i = 0; i < 3; ++i) {
        peaks.addSilence(std::int64_t(WavePeaks::kMaxBlocks) * WavePeaks::kFirstBlockFrames);
        peaks.add(loud.data(), loud.size());
    }
    peaks.addSilence(7);
    peaks.finish();
    QVERIFY(peaks.blockFrames() > WavePeaks::kFirstBlockFrames);
    const QString path = dir.filePath(QStringLiteral("long.peaks"));
    const FileIdentity media = FileIdentity::of(tenSec);
    QVERIFY(PeaksFile::write(path, media, peaks, 44100));
    const std::optional<PeaksFile::Stored> back = PeaksFile::read(path, media);
    QVERIFY(back);
    QCOMPARE(back->sampleRate, 44100);
    QCOMPARE(back->peaks.channels(), 2);
    QCOMPARE(back->peaks.frames(), peaks.frames());
    QCOMPARE(back->peaks.blockFrames(), peaks.blockFrames());
    QVERIFY(back->peaks.blocks() == peaks.blocks());
    WaveColumns written;
    WaveColumns read;
    peaks.render(written, peaks.frames());
    back->peaks.render(read, peaks.frames());
    QCOMPARE(read.picture(), written.picture());
    QVERIFY(!PeaksFile::read(path, FileIdentity::of(burst)));  // another file's identity
}
