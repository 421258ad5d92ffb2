// Benchmark of the intonation score (pitch contours of both sides, their alignment and the
// score, decoding included) of a 5 s sentence taken from the middle of a spoken material and
// a 6 s recording, each the median of several runs (the first argument, at least 5):
//  1. request to result, beside the ffmpeg tool decoding the same two files (target: at most
//     150 ms);
//  2. the longest pause of a 1 ms heartbeat on the GUI thread while the worker runs, beside
//     the same heartbeat with nothing running (target: at most 16 ms).
// The inputs are spoken by espeak-ng (another voice and speed for the recording); without it,
// gliding tones stand in.
#include "BenchSupport.h"
#include "PitchScorer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {
using bench::ffmpeg;

constexpr float kSentenceStart = 3;
constexpr float kSentenceEnd = 8;

bool speak(const QString& wav, const QString& voice, int wpm, const QString& text)
{
    QProcess process;
    process.start(QStringLiteral("espeak-ng"),
                  {QStringLiteral("-v"), voice, QStringLiteral("-s"), QString::number(wpm),
                   QStringLiteral("-w"), wav, text});
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The material (12 s of speech, 128 kb/s stereo MP3 as materials are) and the recording
// (6 s, mono MP3 as the recorder writes).
bool makeInputs(const QTemporaryDir& dir, const QString& material, const QString& recording)
{
    const QString text = QStringLiteral(
        "Shall I compare thee to a summer's day? Thou art more lovely and more temperate. "
        "Rough winds do shake the darling buds of May, and summer's lease hath all too short a "
        "date.");
    const QString materialWav = dir.filePath(QStringLiteral("material.wav"));
    const QString recordingWav = dir.filePath(QStringLiteral("recording.wav"));
    const bool spoken = !QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty() &&
                        speak(materialWav, QStringLiteral("en-us"), 150, text) &&
                        speak(recordingWav, QStringLiteral("en-gb+f3"), 120, text);
    const QStringList materialIn =
        spoken ? QStringList{QStringLiteral("-i"), materialWav}
               : QStringList{
                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("aevalsrc=exprs='0.3*sin(2*PI*(150*t+3*t^2))':s=22050:d=12")};
    const QStringList recordingIn =
        spoken ? QStringList{QStringLiteral("-i"), recordingWav}
               : QStringList{
                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("aevalsrc=exprs='0.3*sin(2*PI*(90*t+4*t^2))':s=22050:d=6")};
    return ffmpeg(materialIn +
                  QStringList{QStringLiteral("-af"), QStringLiteral("apad"), QStringLiteral("-t"),
                              QStringLiteral("12"), QStringLiteral("-ac"), QStringLiteral("2"),
                              QStringLiteral("-ar"), QStringLiteral("44100"),
                              QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                              QStringLiteral("-b:a"), QStringLiteral("128k"), material}) &&
           ffmpeg(recordingIn +
                  QStringList{QStringLiteral("-af"), QStringLiteral("apad"), QStringLiteral("-t"),
                              QStringLiteral("6"), QStringLiteral("-ac"), QStringLiteral("1"),
                              QStringLiteral("-ar"), QStringLiteral("44100"),
                              QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), recording});
}

// The longest gap between the ticks of a 1 ms timer on this (the GUI) thread while `busy`
// holds, in milliseconds.
class Heartbeat {
public:
    Heartbeat()
    {
        timer.setInterval(1);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longest = std::max(longest, double(clock.nsecsElapsed()) / 1e6);
            clock.restart();
        });
    }
    void start()
    {
        longest = 0;
        clock.start();
        timer.start();
    }
    double stop()
    {
        timer.stop();
        return std::max(longest, double(clock.nsecsElapsed()) / 1e6);
    }

private:
    QTimer timer;
    QElapsedTimer clock;
    double longest = 0;
};

// One score from request to result, with the heartbeat's longest pause meanwhile.
bool scoreOnce(PitchScorer& scorer, const PlotIdentifier& model, const QString& recording,
               double* stall)
{
    QEventLoop loop;
    bool done = false;
    const auto connection = QObject::connect(&scorer, &PitchScorer::sigScoreDone, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    Heartbeat heartbeat;
    heartbeat.start();
    scorer.doScore(model, recording);
    loop.exec();
    *stall = heartbeat.stop();
    QObject::disconnect(connection);
    return done && scorer.score().scored();
}

// The heartbeat's longest pause over `ms` milliseconds of an idle event loop.
double idleStall(int ms)
{
    QEventLoop loop;
    Heartbeat heartbeat;
    heartbeat.start();
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return heartbeat.stop();
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? std::max(5, args[1].toInt()) : 5;
    QTemporaryDir dir;
    const QString material = dir.filePath(QStringLiteral("material.mp3"));
    const QString recording = dir.filePath(QStringLiteral("recording.mp3"));
    if (!makeInputs(dir, material, recording)) {
        std::fprintf(stderr, "could not make the inputs\n");
        return 1;
    }
    const PlotIdentifier sentence{material, kSentenceStart, kSentenceEnd};

    PitchScorer scorer;
    std::vector<double> stalls;
    const auto [scored, decoded] = bench::medianPair(
        runs,
        [&] {
            double stall = 0;
            const bool ok = scoreOnce(scorer, sentence, recording, &stall);
            stalls.push_back(stall);
            return ok;
        },
        [&] {
            return ffmpeg({QStringLiteral("-ss"), QString::number(kSentenceStart),
                           QStringLiteral("-t"), QString::number(kSentenceEnd - kSentenceStart),
                           QStringLiteral("-i"), material, QStringLiteral("-f"),
                           QStringLiteral("null"), QStringLiteral("-")}) &&
                   ffmpeg({QStringLiteral("-i"), recording, QStringLiteral("-f"),
                           QStringLiteral("null"), QStringLiteral("-")});
        });
    if (scored <= 0 || decoded <= 0) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    std::vector<double> idle;
    for (int i = 0; i < runs; ++i)
        idle.push_back(idleStall(int(std::max(scored, 20.0))));
    const double stall = bench::median(stalls);
    const double quiet = bench::median(idle);
    std::printf("intonation %d, rhythm %d\n", scorer.score().intonation, scorer.score().rhythm);
    bench::row(QStringLiteral("intonation score, 5 s sentence and 6 s recording"),
               bench::amount(scored, "ms"),
               QStringLiteral("ffmpeg -f null decoding both ") + bench::amount(decoded, "ms"),
               scored / decoded, QStringLiteral("<= 150 ms"), scored <= 150);
    bench::row(QStringLiteral("GUI thread's longest stall while it runs"),
               bench::amount(stall, "ms"),
               QStringLiteral("idle event loop ") + bench::amount(quiet, "ms"), stall / quiet,
               QStringLiteral("<= 16 ms"), stall <= 16);
    return 0;
}
