// Recorder benchmark: the CPU a recording costs, as a fraction of one core, and the input
// overflows PortAudio reports, beside a bare capture of the same microphone (a callback that
// only counts frames) measured in the same run, after the microphone's backlog is drained. Needs a
// microphone that delivers sound, e.g. the fed one that scripts/test.sh sets up.
//
//   bench_record [seconds] [reference-seconds]     defaults: 60 and 10
#include "PaInput.h"
#include "PaRecThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <sys/resource.h>

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
    const int seconds = args.size() > 1 ? args[1].toInt() : 60;
    const int referenceSeconds = args.size() > 2 ? args[2].toInt() : 10;
    if (seconds <= 0 || referenceSeconds <= 0) {
        std::fprintf(stderr, "usage: bench_record [seconds] [reference-seconds]\n");
        return 2;
    }
    QTemporaryDir dir;
    bareCapture(60, true);
    const Run reference = bareCapture(referenceSeconds);
    const Run measured = recording(dir.filePath(QStringLiteral("bench.mp3")), seconds);
    for (const Run* run : {&reference, &measured}) {
        if (!run->message.isEmpty() || run->captured <= 0) {
            std::fprintf(stderr, "no recording: %s\n",
                         run->message.isEmpty() ? "the microphone delivered nothing"
                                                : run->message.toUtf8().constData());
            return 1;
        }
    }
    std::printf("| measurement | recorder (%d s) | bare capture (%d s) | ratio | target |\n",
                seconds, referenceSeconds);
    std::printf("|---|---|---|---|---|\n");
    std::printf("| CPU, share of one core | %.2f %% | %.2f %% | %.2f | <= 10 %% | %s\n",
                100.0 * measured.cpuShare, 100.0 * reference.cpuShare,
                reference.cpuShare > 0 ? measured.cpuShare / reference.cpuShare : 0.0,
                measured.cpuShare <= 0.10 ? "met" : "MISSED");
    std::printf("| input overflows | %lld | %lld | - | 0 | %s\n", measured.overflows,
                reference.overflows, measured.overflows == 0 ? "met" : "MISSED");
    std::printf("| sound captured per wall second | %.3f | %.3f | - | ~1 |\n",
                measured.captured / measured.wall, reference.captured / reference.wall);
    return 0;
}
