// Recorder benchmark: the CPU a recording costs, as a fraction of one core, and the input
// overflows PortAudio reports, beside a bare capture of the same microphone (a callback that
// only counts frames) measured in the same run, after the microphone's backlog is drained. Needs a
// microphone that delivers sound, e.g. the fed one that scripts/test.sh sets up. Recordings and
// bare captures take turns; the medians of the runs are reported.
//
//   bench_record [seconds] [reference-seconds] [runs]     defaults: 12, 6 and 5 (at least 5)
#include "BenchSupport.h"
#include "PaInput.h"
#include "PaRecThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double cpuShare = -1;  // CPU seconds per wall second
    double captured = 0;   // seconds of sound captured
    double wall = 0;
    long long overflows = 0;
    QString message;
};

Run recording(const QString& path, int seconds)
{
    Run run;
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "w+b");
    if (!file) {
        run.message = QStringLiteral("cannot create the output file");
        return run;
    }
    PaRecThread recorder;
    recorder.configuredGain = 32767.0f;
    recorder.setFile(file);
    QElapsedTimer clock;
    const double cpu0 = cpuSeconds();
    clock.start();
    recorder.start();
    while (recorder.isRunning() && clock.elapsed() < seconds * 1000LL)
        QThread::msleep(50);
    recorder.requestStop();
    recorder.wait();
    run.wall = double(clock.nsecsElapsed()) / 1e9;
    run.cpuShare = (cpuSeconds() - cpu0) / run.wall;
    std::fclose(file);
    run.captured = double(recorder.capturedFrames()) / 44100.0;
    run.overflows = recorder.inputOverflows();
    run.message = recorder.message();
    return run;
}

struct Counter {
    std::atomic<long long> frames{0};
    std::atomic<long long> overflows{0};
};

int countBlock(const void*, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
               PaStreamCallbackFlags status, void* user)
{
    auto* counter = static_cast<Counter*>(user);
    counter->frames += static_cast<long long>(frames);
    if (status & paInputOverflow)
        ++counter->overflows;
    return paContinue;
}

// Captures for `seconds`; with `drain`, instead until the microphone delivers at its real pace
// (a microphone idle for a while first hands over its backlog in a burst).
Run bareCapture(int seconds, bool drain = false)
{
    Run run;
    Counter counter;
    PaInput input;
    QElapsedTimer clock;
    const double cpu0 = cpuSeconds();
    clock.start();
    run.message = input.open(&countBlock, &counter);
    if (run.message.isEmpty())
        run.message = input.start();
    if (!run.message.isEmpty())
        return run;
    long long before = 0;
    while (input.isActive() && clock.elapsed() < seconds * 1000LL) {
        QThread::msleep(500);
        const long long now = counter.frames.load();
        if (drain && now > 0 && now - before < 44100 * 6 / 10)
            break;
        before = now;
    }
    input.close();
    run.wall = double(clock.nsecsElapsed()) / 1e9;
    run.cpuShare = (cpuSeconds() - cpu0) / run.wall;
    run.captured = double(counter.frames.load()) / 44100.0;
    run.overflows = counter.overflows.load();
    return run;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? args[1].toInt() : 12;
    const int referenceSeconds = args.size() > 2 ? args[2].toInt() : 6;
    const int runs = args.size() > 3 ? std::max(5, args[3].toInt()) : 5;
    if (seconds <= 0 || referenceSeconds <= 0) {
        std::fprintf(stderr, "usage: bench_record [seconds] [reference-seconds] [runs]\n");
        return 2;
    }
    QTemporaryDir dir;
    bareCapture(60, true);
    std::vector<double> ownCpu;
    std::vector<double> bareCpu;
    long long overflows = 0;
    long long bareOverflows = 0;
    double captured = 0;
    double wall = 0;
    for (int i = 0; i < runs; ++i) {
        const Run reference = bareCapture(referenceSeconds);
        const Run measured = recording(dir.filePath(QStringLiteral("bench%1.mp3").arg(i)), seconds);
        for (const Run* run : {&reference, &measured}) {
            if (!run->message.isEmpty() || run->captured <= 0) {
                std::fprintf(stderr, "no recording: %s\n",
                             run->message.isEmpty() ? "the microphone delivered nothing"
                                                    : run->message.toUtf8().constData());
                return 1;
            }
        }
        ownCpu.push_back(measured.cpuShare);
        bareCpu.push_back(reference.cpuShare);
        overflows += measured.overflows;
        bareOverflows += reference.overflows;
        captured += measured.captured;
        wall += measured.wall;
    }
    const double m = bench::median(ownCpu) * 100;
    const double r = bench::median(bareCpu) * 100;
    bench::row(QStringLiteral("recording CPU, share of one core"), bench::amount(m, "%", 2),
               QStringLiteral("bare capture ") + bench::amount(r, "%", 2), r > 0 ? m / r : -1,
               QStringLiteral("<= 10 %"), m <= 10);
    bench::row(QStringLiteral("recording input overflows (%1 x %2 s)").arg(runs).arg(seconds),
               QString::number(overflows), QStringLiteral("bare capture %1").arg(bareOverflows), -1,
               QStringLiteral("0"), overflows == 0);
    std::printf("sound captured per wall second while recording: %.3f\n", captured / wall);
    return 0;
}
