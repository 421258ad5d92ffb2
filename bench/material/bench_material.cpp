// Benchmark of the main window with a long material: the time to switch to it, the time to
// choose its last sentence in Listen & Repeat, and the peak resident memory (VmHWM) once it
// has been open and playing until its whole-file waveform is drawn. Each run is a fresh
// process with the real Dialog and practice controller; the reference is the same run with a
// short demo material. Run under an X server with a sound server, in a runtime folder (the
// one the trainer starts in), with both materials under its "workspace" folder.
//
//   bench_material <material> <reference material> [runs]      materials as "./workspace/x.mp3"
//   bench_material --child <material>                           (internal) one run
#include "BenchSupport.h"
#include "Dialog.h"
#include "Echora.h"
#include "OctImgBtn.h"
#include "PhaseTabs.h"
#include "Ploter.h"
#include "TreesView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct Sample {
    double switchMs = -1;
    double selectMs = -1;
    double peakMb = -1;
    double minutes = 0;
    int sentences = 0;
};

double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Lets the window handle whatever the last action queued, repaint included.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Runs the event loop for `ms` milliseconds.
void spin(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

int child(int argc, char** argv, const QString& material)
{
    QApplication app(argc, argv);
    QFile::remove(QStringLiteral("profile.ini"));  // start without the last run's material
    Dialog dialog;
    dialog.show();
    spin(1000);
    const DialogForm& ui = dialog.form();
    Echora* echora = dialog.controller();
    ui.phaseTabs->setCurrentIndex(1);
    settle();

    QElapsedTimer clock;
    clock.start();
    Q_EMIT ui.tabWidget->switchSig(material);
    const double callMs = double(clock.nsecsElapsed()) / 1e6;
    settle();
    const double switchMs = double(clock.nsecsElapsed()) / 1e6;
    if (echora->materialName() != material || echora->sentences() == 0) {
        std::fprintf(stderr, "%s did not open with its sentences\n", qPrintable(material));
        return 1;
    }
    if (echora->currentPhase() != 1)
        ui.phaseTabs->setCurrentIndex(1);
    settle();

    clock.restart();
    echora->selectSentence(int(echora->sentences()) - 1);
    const double selectCallMs = double(clock.nsecsElapsed()) / 1e6;
    settle();
    const double selectMs = double(clock.nsecsElapsed()) / 1e6;
    std::fprintf(stderr,
                 "%s: switch %.1f ms (%.1f in the call), select %.1f ms (%.1f in the call)\n",
                 qPrintable(material), switchMs, callMs, selectMs, selectCallMs);
    if (echora->current() != echora->sentences() - 1) {
        std::fprintf(stderr, "the last sentence was not chosen\n");
        return 1;
    }

    // Play the material from its start until its whole-file waveform is drawn, and a while.
    echora->selectSentence(0);
    ui.oriPlay->click();
    settle();
    if (!(echora->flags() & Echora::OriPlaying)) {
        std::fprintf(stderr, "the material does not play\n");
        return 1;
    }
    const PlotIdentifier whole{material, -1, -1};
    clock.restart();
    while (!echora->plotter()->pixmap(whole) && clock.elapsed() < 180000)
        spin(100);
    spin(5000);
    const bool drawn = echora->plotter()->pixmap(whole) != nullptr;
    const double peak = peakResidentMb();
    const double minutes = echora->plotter()->duration(whole) / 60.0;
    std::printf("sample %.3f %.3f %.1f %u %.2f %d\n", switchMs, selectMs, peak, echora->sentences(),
                minutes, drawn ? 1 : 0);
    std::fflush(stdout);
    return drawn ? 0 : 1;
}

Sample measure(const QString& material)
{
    Sample s;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), material});
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        return s;
    }
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 7 && f[0] == "sample" && f[6] == "1") {
            s.switchMs = f[1].toDouble();
            s.selectMs = f[2].toDouble();
            s.peakMb = f[3].toDouble();
            s.sentences = f[4].toInt();
            s.minutes = f[5].toDouble();
        }
    }
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return child(argc, argv, QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_material <material> <reference material> [runs]\n");
        return 2;
    }
    const int runs = args.size() > 3 ? std::max(5, args[3].toInt()) : 5;
    std::vector<Sample> own;
    std::vector<Sample> ref;
    for (int i = 0; i < runs; ++i) {  // interleaved, so load changes hit both alike
        own.push_back(measure(args[1]));
        ref.push_back(measure(args[2]));
        if (own.back().peakMb < 0 || ref.back().peakMb < 0) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
    }
    const auto med = [](const std::vector<Sample>& v, double Sample::*field) {
        std::vector<double> values;
        for (const Sample& s : v)
            values.push_back(s.*field);
        return bench::median(values);
    };
    const int n = own.front().sentences;
    const int nr = ref.front().sentences;
    const QString demo = QStringLiteral("%1-sentence demo ").arg(nr);
    const double sw = med(own, &Sample::switchMs);
    const double swr = med(ref, &Sample::switchMs);
    const double se = med(own, &Sample::selectMs);
    const double ser = med(ref, &Sample::selectMs);
    const double pk = med(own, &Sample::peakMb);
    const double pkr = med(ref, &Sample::peakMb);
    bench::row(QStringLiteral("switch to the %1-sentence material").arg(n), bench::amount(sw, "ms"),
               demo + bench::amount(swr, "ms"), sw / swr, QStringLiteral("<= 100 ms"), sw <= 100);
    bench::row(QStringLiteral("select its last sentence"), bench::amount(se, "ms"),
               demo + bench::amount(ser, "ms"), se / ser, QStringLiteral("<= 100 ms"), se <= 100);
    bench::row(QStringLiteral("peak RSS, %1-minute material open and playing")
                   .arg(std::lround(own.front().minutes)),
               bench::amount(pk, "MB"), demo + bench::amount(pkr, "MB"), pk / pkr,
               QStringLiteral("<= 150 MB"), pk <= 150);
    return 0;
}
