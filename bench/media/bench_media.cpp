// Benchmark of media playback, on the MP3 given as the first argument or else on a 10-minute
// 128 kb/s stereo MP3 it makes with the ffmpeg tool. Prints, each the median of several runs
// (the second argument, at least 5) beside a reference measured in this run:
//  1. decode throughput: a channel playing the whole file into a device that takes
//     everything, beside `ffmpeg -i x.mp3 -f null -` (target: at most 1.0 of it);
//  2. CPU time while 30 s play into the sound server's default sink through the real output,
//     beside `ffmpeg -re -i x.mp3 -t 30 -f pulse default` (target: at most 1.5 of it;
//     skipped without a sound server);
//  3. seek latency: from doSeekTime to the first bytes of the target written into a device
//     that takes bytes at the pace of real time, beside the ffmpeg tool seeking there and
//     decoding one packet (target: at most 100 ms).
#include "AudioDev.h"
#include "BenchSupport.h"
#include "IAudio.h"
#include "MediaEngine.h"

#include <QCoreApplication>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {
constexpr int kBytesPerSecond = 44100 * 4;

using bench::ffmpeg;
using bench::medianOf;

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Takes everything offered.
class Sink : public AudioDev {
public:
    int writeSamples(char*, int length) override { return length; }
    bool openOutput(int, int, int) override { return true; }
    void closeOutput() override {}
    void setVolume(float) override {}
    double bufferedSeconds() const override { return 0; }
    void discard() override {}
    // Plays whatever the stream is.
    int outputRate() const override { return 0; }
    int outputChannels() const override { return 0; }
};

// Takes bytes at the pace of real time with 200 ms of buffer, and notes when the first
// bytes at or after a seek target arrive.
class PacedSink : public AudioDev {
public:
    std::function<double()> clock;  // the channel's audio clock, seconds
    std::atomic<double> target{-1};
    std::atomic<qint64> arrivedNs{-1};
    QElapsedTimer since;

    int writeSamples(char*, int length) override
    {
        const qint64 allowed =
            since.nsecsElapsed() * kBytesPerSecond / 1000000000 + kBytesPerSecond / 5 - written;
        const int n = int(std::clamp<qint64>(allowed, 0, length));
        written += n;
        const double t = target;
        if (n > 0 && t >= 0 && arrivedNs < 0) {
            const double c = clock();
            if (c >= t - 0.03 && c < t + 1.0)
                arrivedNs = since.nsecsElapsed();
        }
        return n;
    }
    bool openOutput(int, int, int) override
    {
        since.start();
        return true;
    }
    void closeOutput() override {}
    void setVolume(float) override {}
    void discard() override {}
    // Plays whatever the stream is.
    int outputRate() const override { return 0; }
    int outputChannels() const override { return 0; }
    // What it took ahead of real time (at most its 200 ms buffer).
    double bufferedSeconds() const override
    {
        const double ahead = double(written) / kBytesPerSecond - since.nsecsElapsed() / 1e9;
        return std::max(0.0, ahead);
    }

private:
    std::atomic<qint64> written{0};
};

// Run the event loop until the channel reports its end (or the bound passes).
bool playToEnd(MediaEngine& engine, const MediaIdentifier& id, int boundMs)
{
    QEventLoop loop;
    bool ended = false;
    const auto c =
        QObject::connect(&engine, &MediaEngine::sigPlayStopped, &loop, [&](MediaIdentifier) {
            ended = true;
            loop.quit();
        });
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    engine.doOpen(id);
    engine.doStart(id, true);
    if (!ended)
        loop.exec();
    QObject::disconnect(c);
    return ended;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 2 ? std::max(5, args[2].toInt()) : 5;
    QTemporaryDir dir;
    QString mp3 = args.size() > 1 ? args[1] : QString();
    if (mp3.isEmpty()) {
        mp3 = dir.filePath(QStringLiteral("long.mp3"));
        std::printf("making a 10-minute 128 kb/s MP3...\n");
        if (!ffmpeg({"-f", "lavfi", "-i",
                     "sine=frequency=220:sample_rate=44100:duration=600,"
                     "volume=volume='0.5+0.4*sin(t)':eval=frame",
                     "-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k", mp3})) {
            std::printf("could not make the file\n");
            return 1;
        }
    }
    int status = 0;

    // 1. Decode throughput.
    Sink sink;
    const auto [channel, reference] = bench::medianPair(
        runs,
        [&] {
            MediaEngine engine;
            MediaIdentifier id;
            id.path = mp3;
            id.audio = &sink;
            return playToEnd(engine, id, 600000);
        },
        [&] {
            return ffmpeg({"-i", mp3, "-f", "null", "-"});
        });
    if (reference > 0 && channel > 0) {
        bench::row(QStringLiteral("whole file played into a free device"),
                   bench::amount(channel, "ms"),
                   QStringLiteral("ffmpeg -f null ") + bench::amount(reference, "ms"),
                   channel / reference, QStringLiteral("<= 1.0x"), channel <= reference);
    } else {
        std::fprintf(stderr, "decode: a run failed\n");
        status = 1;
    }

    // 2. CPU time while playing 30 s into the sound server, runs interleaved with the tool's.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        std::fprintf(stderr, "playback cpu: skipped, no sound server\n");
        status = 1;
    } else {
        std::vector<double> tool;
        std::vector<double> own;
        for (int i = 0; i < runs; ++i) {
            const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
            ffmpeg({"-re", "-i", mp3, "-t", "30", "-f", "pulse", "default"});
            tool.push_back(cpuSeconds(RUSAGE_CHILDREN) - childBefore);
            const double before = cpuSeconds(RUSAGE_SELF);
            {
                MediaEngine engine;
                IAudio audio;
                audio.setDevice(device);
                MediaIdentifier id;
                id.path = mp3;
                id.audio = &audio;
                id.end = 30;
                playToEnd(engine, id, 120000);
            }
            own.push_back(cpuSeconds(RUSAGE_SELF) - before);
        }
        const double m = bench::median(own) * 1000;
        const double r = bench::median(tool) * 1000;
        bench::row(QStringLiteral("CPU time playing 30 s into the sound server"),
                   bench::amount(m, "ms"),
                   QStringLiteral("ffmpeg -re -f pulse ") + bench::amount(r, "ms"),
                   r > 0 ? m / r : -1, QStringLiteral("<= 1.5x"), r > 0 && m <= 1.5 * r);
    }

    // 3. Seek latency.
    {
        MediaEngine engine;
        PacedSink paced;
        MediaIdentifier id;
        id.path = mp3;
        id.audio = &paced;
        // Read from the audio thread: the channel table does not change while it plays.
        // The written end, not the heard position: this counts when the target is written.
        paced.clock = [&] { return engine.currentTime(id) + paced.bufferedSeconds(); };
        engine.doOpen(id);
        engine.doStart(id, true);
        wait(500);
        const double length = std::max(engine.duration(id), 60.0);
        std::vector<double> latencies;
        const double fractions[] = {0.72, 0.02, 0.42, 0.998, 0.13, 0.52, 0.008, 0.8};
        for (double f : fractions) {
            const double t = f * length;
            paced.arrivedNs = -1;
            paced.target = t;
            const qint64 start = paced.since.nsecsElapsed();
            engine.doSeekTime(id, t);
            for (int i = 0; i < 200 && paced.arrivedNs < 0; ++i)
                wait(5);
            if (paced.arrivedNs >= 0)
                latencies.push_back(double(paced.arrivedNs - start) / 1e6);
            paced.target = -1;
            wait(300);
        }
        engine.doStart(id, false);
        const QString at = QString::number(0.72 * length, 'f', 2);
        const double refSeek = medianOf(runs, [&] {
            return ffmpeg({"-ss", at, "-i", mp3, "-t", "0.03", "-f", "null", "-"});
        });
        if (latencies.size() != std::size(fractions)) {
            std::fprintf(stderr, "seek: %zu of %zu seeks reached their target\n", latencies.size(),
                         std::size(fractions));
            status = 1;
        } else {
            const double m = bench::median(latencies);
            const double worst = *std::max_element(latencies.begin(), latencies.end());
            bench::row(QStringLiteral("seek to the first bytes at the target (median of %1)")
                           .arg(latencies.size()),
                       bench::amount(m, "ms"),
                       QStringLiteral("ffmpeg -ss, one packet ") + bench::amount(refSeek, "ms"),
                       refSeek > 0 ? m / refSeek : -1, QStringLiteral("<= 100 ms"), m <= 100);
            bench::row(QStringLiteral("seek, worst of %1").arg(latencies.size()),
                       bench::amount(worst, "ms"),
                       QStringLiteral("ffmpeg -ss, one packet ") + bench::amount(refSeek, "ms"),
                       refSeek > 0 ? worst / refSeek : -1, QStringLiteral("<= 100 ms"),
                       worst <= 100);
        }
    }
    return status;
}
