// A whole file decoded in two halves at once gives the peaks and the picture of one pass:
// files made by ffmpeg's encoders at test time, each decoded both ways by the real worker.
#include "TestSupport.h"
#include "WavePeaks.h"
#include "plotThread.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <thread>

namespace {
// Seconds of the long files: long enough to be split.
constexpr double kLong = 45;
// Seconds of the short file: decoded in one pass.
constexpr double kShort = 5;
// The audio of the offset file starts this late in the container's time.
constexpr double kAudioOffset = 1.3;

// Pink noise whose loudness swells and falls, as speech does, at `rate`.
QString swellingNoise(int rate, double seconds)
{
    return QStringLiteral(
               "anoisesrc=d=%1:c=pink:r=%2:a=0.6,volume=volume='0.05+0.95*abs(sin(1.7*t))"
               "':eval=frame")
        .arg(seconds)
        .arg(rate);
}

// What one computation gave.
struct Plotted {
    std::vector<WavePeaks::Peak> blocks;
    std::int64_t frames = 0;
    std::int64_t blockFrames = 0;
    QImage picture;
    double decoded = -1;
    bool halves = false;
};

void plotFile(const QString& path, bool onePass, Plotted& out)
{
    plotThread worker;
    QVERIFY(worker.open(path));
    worker.setRange(-1, -1);
    worker.setOnePass(onePass);
    worker.start();
    QVERIFY(worker.wait(QDeadlineTimer(120000)));
    out.blocks = worker.finePeaks().blocks();
    out.frames = worker.finePeaks().frames();
    out.blockFrames = worker.finePeaks().blockFrames();
    out.picture = worker.picture();
    out.decoded = worker.decodedSeconds();
    out.halves = worker.decodedInHalves();
}

QByteArray firstDifference(const Plotted& a, const Plotted& b)
{
    const std::size_t n = std::min(a.blocks.size(), b.blocks.size());
    for (std::size_t i = 0; i < n; ++i)
        if (!(a.blocks[i] == b.blocks[i]))
            return QStringLiteral("block %1 of %2: %3..%4 against %5..%6")
                .arg(i)
                .arg(n)
                .arg(a.blocks[i].low)
                .arg(a.blocks[i].high)
                .arg(b.blocks[i].low)
                .arg(b.blocks[i].high)
                .toUtf8();
    return QStringLiteral("%1 blocks against %2")
        .arg(a.blocks.size())
        .arg(b.blocks.size())
        .toUtf8();
}
}  // namespace

class TestPlotHalves : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        using testsupport::makeAudio;
        const QString noise = swellingNoise(44100, kLong);
        QVERIFY(makeAudio(dir.filePath("long.mp3"), noise,
                          {"-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k"}));
        QVERIFY(makeAudio(dir.filePath("long.m4a"), noise, {"-ac", "2", "-c:a", "aac"}));
        QVERIFY(makeAudio(dir.filePath("long.ogg"), swellingNoise(48000, kLong),
                          {"-ac", "2", "-c:a", "libopus", "-b:a", "64k"}));
        QVERIFY(makeAudio(dir.filePath("long.wav"), noise, {"-ac", "2", "-c:a", "pcm_s16le"}));
        QVERIFY(makeAudio(dir.filePath("short.mp3"), swellingNoise(44100, kShort),
                          {"-ac", "2", "-c:a", "libmp3lame"}));
        // A picture from the container's start, the sound only from kAudioOffset on.
        QVERIFY(testsupport::run(
            "ffmpeg", {"-nostdin",
                       "-loglevel",
                       "error",
                       "-y",
                       "-f",
                       "lavfi",
                       "-i",
                       QStringLiteral("color=c=gray:s=32x32:r=5:d=%1").arg(kLong + kAudioOffset),
                       "-itsoffset",
                       QString::number(kAudioOffset),
                       "-f",
                       "lavfi",
                       "-i",
                       noise,
                       "-map",
                       "0:v",
                       "-map",
                       "1:a",
                       "-c:v",
                       "libx264",
                       "-c:a",
                       "aac",
                       "-ac",
                       "1",
                       dir.filePath("offset.mp4")}));
    }

    void halvesGiveOnePass_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("split");
        QTest::newRow("MP3") << "long.mp3" << true;
        QTest::newRow("AAC in M4A") << "long.m4a" << true;
        QTest::newRow("Opus in Ogg") << "long.ogg" << true;
        QTest::newRow("WAV") << "long.wav" << true;
        QTest::newRow("sound from an offset") << "offset.mp4" << true;
        QTest::newRow("short file, one pass") << "short.mp3" << false;
    }

    // The peaks, their layout, the decoded length and the picture equal one pass's; long
    // files are split, the short one is not.
    void halvesGiveOnePass()
    {
        QFETCH(QString, name);
        QFETCH(bool, split);
        if (split && std::thread::hardware_concurrency() < 2)
            QSKIP("one core: files are never split");
        Plotted one;
        Plotted halves;
        ECHORA_CHECKED(plotFile(dir.filePath(name), true, one));
        ECHORA_CHECKED(plotFile(dir.filePath(name), false, halves));
        QVERIFY(!one.halves);
        QCOMPARE(halves.halves, split);
        QVERIFY(one.frames > 0);
        QCOMPARE(halves.frames, one.frames);
        QCOMPARE(halves.blockFrames, one.blockFrames);
        QVERIFY2(halves.blocks == one.blocks, firstDifference(halves, one).constData());
        QCOMPARE(halves.decoded, one.decoded);
        QVERIFY(!one.picture.isNull());
        QVERIFY(halves.picture == one.picture);
    }

    // The sound of the offset file is heard from its offset: the peaks before it are silent.
    void offsetSoundStartsLate()
    {
        Plotted halves;
        ECHORA_CHECKED(plotFile(dir.filePath("offset.mp4"), false, halves));
        const auto silentBlocks = std::int64_t(kAudioOffset * 0.9 * 44100) / halves.blockFrames;
        QVERIFY(std::int64_t(halves.blocks.size()) > silentBlocks);
        for (std::int64_t b = 0; b < silentBlocks; ++b)
            QVERIFY(halves.blocks[std::size_t(b)] == WavePeaks::Peak{});
        QVERIFY(!(halves.blocks[std::size_t(silentBlocks + 2 * 44100 / halves.blockFrames)] ==
                  WavePeaks::Peak{}));
    }
};

QTEST_MAIN(TestPlotHalves)
#include "tst_plothalves.moc"
