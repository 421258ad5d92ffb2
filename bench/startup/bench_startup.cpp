// Start-up benchmark: time from process start to the first paint of the main window, beside
// the same for a bare Qt window, measured in the same run. Run under an X server.
//
//   bench_startup [runs]          prints one table row: measurement, reference, ratio, target
//   bench_startup --child bare    (internal) shows a plain QWidget
//   bench_startup --child dialog  (internal) shows the trainer's main window
#include "Dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
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

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return child(argc, argv, QByteArray(argv[2]) == "dialog");

    QCoreApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(5, QByteArray(argv[1]).toInt()) : 7;
    QTemporaryDir runtime;  // a fresh runtime folder, as on a first start
    std::vector<double> bare;
    std::vector<double> echora;
    for (int i = 0; i < runs; ++i) {  // interleaved, so load changes hit both alike
        bare.push_back(measure(QStringLiteral("bare"), runtime.path()));
        echora.push_back(measure(QStringLiteral("dialog"), runtime.path()));
    }
    const double m = median(echora);
    const double r = median(bare);
    QTextStream out(stdout);
    out << "| measurement | value | reference | ratio | target |\n";
    out << "|---|---|---|---|---|\n";
    out << QStringLiteral("| start-up to first painted main window (median of %1) | %2 ms | "
                          "bare Qt window %3 ms | %4x | <= 1.5x |\n")
               .arg(runs)
               .arg(m, 0, 'f', 1)
               .arg(r, 0, 'f', 1)
               .arg(r > 0 ? m / r : 0.0, 0, 'f', 2);
    return m > 0 && r > 0 ? 0 : 1;
}
