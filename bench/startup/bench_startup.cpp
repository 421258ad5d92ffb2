// Start-up benchmark: time from process start to the first paint of the main window, beside
// the same for a bare Qt window, measured in the same run. Run under an X server.
//
//   bench_startup [runs] [folder] medians of `runs` (at least 5) interleaved runs of each, started
//                                 in `folder` (the learner's runtime folder; by default an empty
//                                 one); prints one result line: measurement, reference, ratio,
//                                 target
//   bench_startup --child bare    (internal) shows a plain QWidget
//   bench_startup --child dialog  (internal) shows the trainer's main window
#include "BenchSupport.h"
#include "Dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Reports the first paint of the watched window on stdout and ends the process.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            std::printf("painted\n");
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            watched->removeEventFilter(this);
        }
        return false;
    }
};

int child(int argc, char** argv, bool dialog)
{
    QApplication app(argc, argv);
    FirstPaint probe;
    std::unique_ptr<QWidget> window;
    if (dialog)
        window = std::make_unique<Dialog>();
    else
        window = std::make_unique<QWidget>();
    window->resize(666, 480);
    window->installEventFilter(&probe);
    window->show();
    return app.exec();
}

// Wall time in ms from starting the child until it reports its first paint.
double measure(const QString& mode, const QString& workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    QElapsedTimer clock;
    clock.start();
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode});
    while (process.waitForReadyRead(30000)) {
        if (process.readAll().contains("painted")) {
            const double ms = double(clock.nsecsElapsed()) / 1e6;
            process.waitForFinished(30000);
            return ms;
        }
    }
    process.kill();
    process.waitForFinished();
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return child(argc, argv, QByteArray(argv[2]) == "dialog");

    QCoreApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(5, QByteArray(argv[1]).toInt()) : 7;
    QTemporaryDir empty;
    const QString folder = argc >= 3 ? QString::fromLocal8Bit(argv[2]) : empty.path();
    std::vector<double> bare;
    std::vector<double> echora;
    for (int i = 0; i < runs; ++i) {  // interleaved, so load changes hit both alike
        bare.push_back(measure(QStringLiteral("bare"), folder));
        echora.push_back(measure(QStringLiteral("dialog"), folder));
    }
    const double m = bench::median(echora);
    const double r = bench::median(bare);
    const bool failed = std::any_of(echora.begin(), echora.end(), [](double v) { return v < 0; }) ||
                        std::any_of(bare.begin(), bare.end(), [](double v) { return v < 0; });
    if (failed || m <= 0 || r <= 0) {
        std::fprintf(stderr, "a window did not paint\n");
        return 1;
    }
    bench::row(QStringLiteral("start-up to the first painted main window"), bench::amount(m, "ms"),
               QStringLiteral("bare Qt window ") + bench::amount(r, "ms"), m / r,
               QStringLiteral("<= 1.5x"), m / r <= 1.5);
    return 0;
}
