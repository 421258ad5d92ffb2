// Benchmark of the waveform workers, on the MP3 given as the first argument or else on a
// 10-minute 128 kb/s stereo MP3 it makes with the ffmpeg tool. Measures, each the median of
// several runs (the second argument, at least 5):
//  1. the whole-file picture, beside `ffmpeg -i x.mp3 -f null -` decoding the same file
//     (target: at most 0.5 of it);
//  2. the picture of a 5 s sentence 80 % into the file (target: at most 30 ms), beside the
//     ffmpeg tool decoding those 5 s: once after the whole-file picture (as a material is
//     always shown: its frame positions are known then), once with a fresh Ploter;
//  3. with a long material as the third argument (a 60-minute MP3): reopening it once it
//     has been plotted, i.e. a fresh Ploter drawing it from its stored peaks (target: at
//     most 30 ms), beside its first, decoded picture.
#include "BenchSupport.h"
#include "Ploter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
using bench::ffmpeg;
using bench::medianOf;

// One picture from request to announcement, computed afresh.
bool plotOnce(Ploter& ploter, const PlotIdentifier& id)
{
    ploter.forget(id);
    QEventLoop loop;
    bool done = false;
    const auto connection =
        QObject::connect(&ploter, &Ploter::sigPlotDone, &loop, [&](const PlotIdentifier& got) {
            if (got == id) {
                done = true;
                loop.quit();
            }
        });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    ploter.doPlot(id);
    if (!done)
        loop.exec();
    QObject::disconnect(connection);
    return done && ploter.pixmap(id);
}

// Plots `material` once with its peaks kept in `peaks`, then reopens it `runs` times as a
// new session would, and prints the row. False when a run failed.
bool reopening(const QString& material, const QString& peaks, int runs)
{
    const PlotIdentifier whole{material, -1, -1};
    QFile::remove(peaks);
    QElapsedTimer clock;
    clock.start();
    {
        Ploter first;
        first.keepPeaksIn(material, peaks);
        if (!plotOnce(first, whole))
            return false;
    }
    const double decoded = double(clock.nsecsElapsed()) / 1e6;
    const double reopen = medianOf(runs, [&] {
        Ploter fresh;
        fresh.keepPeaksIn(material, peaks);
        return plotOnce(fresh, whole);
    });
    if (reopen <= 0)
        return false;
    bench::row(QStringLiteral("reopening a plotted 60-minute material, whole-file picture"),
               bench::amount(reopen, "ms"),
               QStringLiteral("first (decoded) picture ") + bench::amount(decoded, "ms"),
               reopen / decoded, QStringLiteral("<= 30 ms"), reopen <= 30);
    return true;
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
        mp3 = dir.filePath(QStringLiteral("ten-minutes.mp3"));
        std::printf("making a 10-minute 128 kb/s MP3...\n");
        if (!ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("anoisesrc=d=600:c=pink:r=44100:a=0.3"), QStringLiteral("-f"),
                     QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("sine=f=220:r=44100:d=600"), QStringLiteral("-filter_complex"),
                     QStringLiteral("amix=inputs=2,aformat=channel_layouts=stereo"),
                     QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                     QStringLiteral("128k"), mp3})) {
            std::fprintf(stderr, "ffmpeg could not make the test file\n");
            return 1;
        }
    }

    Ploter ploter;
    const auto [whole, decode] = bench::medianPair(
        runs,
        [&] {
            return plotOnce(ploter, PlotIdentifier{mp3, -1, -1});
        },
        [&] {
            return ffmpeg({QStringLiteral("-i"), mp3, QStringLiteral("-f"), QStringLiteral("null"),
                           QStringLiteral("-")});
        });
    const float length = ploter.duration(PlotIdentifier{mp3, -1, -1});
    if (length < 10) {
        std::fprintf(stderr, "the file is too short\n");
        return 1;
    }
    const float from = std::floor(length * 0.8f);
    const double sentenceDecode = medianOf(runs, [&] {
        return ffmpeg({QStringLiteral("-ss"), QString::number(from), QStringLiteral("-t"),
                       QStringLiteral("5"), QStringLiteral("-i"), mp3, QStringLiteral("-f"),
                       QStringLiteral("null"), QStringLiteral("-")});
    });
    const PlotIdentifier part{mp3, from, from + 5};
    const double sentence = medianOf(runs, [&] { return plotOnce(ploter, part); });
    const double cold = medianOf(runs, [&] {
        Ploter fresh;
        return plotOnce(fresh, part);
    });
    if (decode <= 0 || whole <= 0 || sentenceDecode <= 0 || sentence <= 0 || cold <= 0) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const QString tool = QStringLiteral("ffmpeg -f null ");
    bench::row(QStringLiteral("whole-file waveform"), bench::amount(whole, "ms"),
               tool + bench::amount(decode, "ms"), whole / decode, QStringLiteral("<= 0.5x"),
               whole <= 0.5 * decode);
    bench::row(QStringLiteral("5 s sentence picture, 80 % into the file"),
               bench::amount(sentence, "ms"),
               tool + bench::amount(sentenceDecode, "ms") + QStringLiteral(" for those 5 s"),
               sentence / sentenceDecode, QStringLiteral("<= 30 ms"), sentence <= 30);
    bench::row(QStringLiteral("the same, file not plotted before"), bench::amount(cold, "ms"),
               tool + bench::amount(sentenceDecode, "ms") + QStringLiteral(" for those 5 s"),
               cold / sentenceDecode, QStringLiteral("(none)"), true);
    if (args.size() > 3 && !reopening(args[3], dir.filePath(QStringLiteral("long.peaks")), runs)) {
        std::fprintf(stderr, "reopening the long material failed\n");
        return 1;
    }
    return 0;
}
