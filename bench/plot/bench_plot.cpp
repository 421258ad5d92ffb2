// Benchmark of the waveform workers. Makes a 10-minute 128 kb/s stereo MP3 with the ffmpeg
// tool, then measures, each the best of several runs:
//  1. the whole-file picture, beside `ffmpeg -i x.mp3 -f null -` decoding the same file
//     (target: at most 0.8 of it: walking the samples must cost less than the decoding);
//  2. the picture of a 5 s sentence 8 minutes in (target: at most 30 ms), beside the
//     ffmpeg tool decoding those 5 s: once after the whole-file picture (as a material is
//     always shown: its frame positions are known then), once with a fresh Ploter.
#include "BenchSupport.h"
#include "Ploter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {
using bench::bestOf;
using bench::ffmpeg;

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

void report(const char* what, double measured, double reference, const char* target)
{
    std::printf("%-44s %10.2f ms  reference %10.2f ms  ratio %6.3f  target %s\n", what, measured,
                reference, measured / reference, target);
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString mp3 = dir.filePath(QStringLiteral("ten-minutes.mp3"));
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

    Ploter ploter;
    const double decode = bestOf(3, [&] {
        return ffmpeg({QStringLiteral("-i"), mp3, QStringLiteral("-f"), QStringLiteral("null"),
                       QStringLiteral("-")});
    });
    const double whole = bestOf(3, [&] { return plotOnce(ploter, PlotIdentifier{mp3, -1, -1}); });
    const double sentenceDecode = bestOf(5, [&] {
        return ffmpeg({QStringLiteral("-ss"), QStringLiteral("480"), QStringLiteral("-t"),
                       QStringLiteral("5"), QStringLiteral("-i"), mp3, QStringLiteral("-f"),
                       QStringLiteral("null"), QStringLiteral("-")});
    });
    const PlotIdentifier part{mp3, 480, 485};
    const double sentence = bestOf(5, [&] { return plotOnce(ploter, part); });
    const double cold = bestOf(5, [&] {
        Ploter fresh;
        return plotOnce(fresh, part);
    });
    if (decode <= 0 || whole <= 0 || sentenceDecode <= 0 || sentence <= 0 || cold <= 0) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    report("whole-file picture vs ffmpeg decode", whole, decode, "ratio <= 0.8");
    report("5 s sentence at 8 min vs ffmpeg decode", sentence, sentenceDecode, "<= 30 ms");
    report("  the same, file not plotted before", cold, sentenceDecode, "(no target)");
    std::printf("whole-file ratio %s target; sentence %s target\n",
                whole / decode <= 0.8 ? "meets" : "misses", sentence <= 30 ? "meets" : "misses");
    return 0;
}
