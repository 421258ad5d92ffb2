// Benchmark of media playback. Makes a 10-minute 128 kb/s stereo MP3 with the ffmpeg tool,
// then prints, each beside a reference measured in this run:
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

#include "BenchSupport.h"
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

using bench::bestOf;
using bench::ffmpeg;

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void print(const char* what, double measured, double reference, const char* unit,
           const char* target)
{
    std::printf("%-34s %10.1f %s  reference %10.1f %s  ratio %6.3f  target %s\n", what, measured,
                unit, reference, unit, reference > 0 ? measured / reference : -1.0, target);
}

// Takes everything offered.
class Sink : public AudioDev {
public:
    int writeSamples(char*, int length) override { return length; }
    bool openOutput(int, int, int) override { return true; }
    void closeOutput() override {}
    void setVolume(float) override {}
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

private:
    qint64 written = 0;
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
    QTemporaryDir dir;
    const QString mp3 = dir.filePath(QStringLiteral("long.mp3"));
    std::printf("making a 10-minute 128 kb/s MP3...\n");
    if (!ffmpeg({"-f", "lavfi", "-i",
                 "sine=frequency=220:sample_rate=44100:duration=600,"
                 "volume=volume='0.5+0.4*sin(t)':eval=frame",
                 "-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k", mp3})) {
        std::printf("could not make the file\n");
        return 1;
    }

    // 1. Decode throughput.
    const double reference = bestOf(3, [&] { return ffmpeg({"-i", mp3, "-f", "null", "-"}); });
    Sink sink;
    const double channel = bestOf(3, [&] {
        MediaEngine engine;
        MediaIdentifier id;
        id.path = mp3;
        id.audio = &sink;
        return playToEnd(engine, id, 600000);
    });
    print("decode 10 min into a free device", channel, reference, "ms", "<= 1.0");

    // 2. CPU time while playing 30 s into the sound server.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        std::printf("%-34s skipped: no sound server\n", "cpu playing 30 s");
    } else {
        const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
        ffmpeg({"-re", "-i", mp3, "-t", "30", "-f", "pulse", "default"});
        const double childCpu = cpuSeconds(RUSAGE_CHILDREN) - childBefore;
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
        const double ownCpu = cpuSeconds(RUSAGE_SELF) - before;
        print("cpu playing 30 s into the sink", ownCpu * 1000, childCpu * 1000, "ms", "<= 1.5");
    }

    // 3. Seek latency.
    {
        MediaEngine engine;
        PacedSink paced;
        MediaIdentifier id;
        id.path = mp3;
        id.audio = &paced;
        // Read from the audio thread: the channel table does not change while it plays.
        paced.clock = [&] { return engine.currentTime(id); };
        engine.doOpen(id);
        engine.doStart(id, true);
        wait(500);
        std::vector<double> latencies;
        const double targets[] = {431.5, 12.25, 250.0, 599.0, 75.75, 310.4, 5.0, 480.9};
        for (double t : targets) {
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
        std::sort(latencies.begin(), latencies.end());
        const double refSeek = bestOf(3, [&] {
            return ffmpeg({"-ss", "431.5", "-i", mp3, "-t", "0.03", "-f", "null", "-"});
        });
        if (latencies.size() != std::size(targets)) {
            std::printf("seek: %zu of %zu seeks reached their target\n", latencies.size(),
                        std::size(targets));
        } else {
            print("seek latency, median", latencies[latencies.size() / 2], refSeek, "ms",
                  "<= 100 ms");
            print("seek latency, worst", latencies.back(), refSeek, "ms", "<= 100 ms");
        }
    }
    return 0;
}
