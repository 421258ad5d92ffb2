// Start-up benchmark: time from process start to the first paint of the main window, beside
// the same for a bare Qt window, measured in the same run. Run under an X server.
//
//   bench_startup [runs] [folder] medians of `runs` (at least 5) interleaved runs of each, started
//                                 in `folder` (the learner's runtime folder; by default an empty
//                                 one); prints two result lines (measurement, reference, ratio,
//                                 target): the main window's first paint, and the time until all
//                                 three windows (main window, control panel, library window) have
//                                 painted, which has no target of its own
//   bench_startup --child bare    (internal) shows a plain QWidget
//   bench_startup --child dialog  (internal) shows the trainer's main window
#include "BenchSupport.h"
#include "Dialog.h"
#include "PanelView.h"

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

// Reports on stdout the first paint of the first watched window ("painted") and the moment
// every watched window has painted ("all"), then ends the process.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(std::vector<QWidget*> windows) : waiting(std::move(windows))
    {
        for (QWidget* w : waiting)
            w->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        watched->removeEventFilter(this);
        if (!waiting.empty() && watched == waiting.front())
            report("painted");
        waiting.erase(std::remove(waiting.begin(), waiting.end(), watched), waiting.end());
        if (waiting.empty()) {
            report("all");
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    static void report(const char* what)
    {
        std::printf("%s\n", what);
        std::fflush(stdout);
    }
    std::vector<QWidget*> waiting;  // the main window first
};

int child(int argc, char** argv, bool dialog)
{
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window;
    std::vector<QWidget*> watched;
    if (dialog) {
        auto trainer = std::make_unique<Dialog>();
        watched = {trainer.get(), trainer->form().ctrlpanel, trainer->form().tsWidget};
        window = std::move(trainer);
    } else {
        window = std::make_unique<QWidget>();
        watched = {window.get()};
    }
    window->resize(666, 480);
    FirstPaint probe(watched);
    window->show();
    return app.exec();
}

struct Times {
    double first = -1;  // ms from starting the child until its main window first painted
    double all = -1;    // ... until all its windows had painted
};

Times measure(const QString& mode, const QString& workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    QElapsedTimer clock;
    clock.start();
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode});
    Times t;
    QByteArray said;
    while (t.all < 0 && process.waitForReadyRead(30000)) {
        said += process.readAll();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (t.first < 0 && said.contains("painted"))
            t.first = ms;
        if (said.contains("all"))
            t.all = ms;
    }
    if (t.all < 0) {
        process.kill();
        t = Times();
    }
    process.waitForFinished(30000);
    return t;
}

bool anyFailed(const std::vector<double>& values)
{
    return std::any_of(values.begin(), values.end(), [](double v) { return v < 0; });
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
    std::vector<double> first;
    std::vector<double> all;
    for (int i = 0; i < runs; ++i) {  // interleaved, so load changes hit both alike
        bare.push_back(measure(QStringLiteral("bare"), folder).first);
        const Times t = measure(QStringLiteral("dialog"), folder);
        first.push_back(t.first);
        all.push_back(t.all);
    }
    const double m = bench::median(first);
    const double a = bench::median(all);
    const double r = bench::median(bare);
    if (anyFailed(bare) || anyFailed(first) || anyFailed(all) || m <= 0 || r <= 0) {
        std::fprintf(stderr, "a window did not paint\n");
        return 1;
    }
    const QString reference = QStringLiteral("bare Qt window ") + bench::amount(r, "ms");
    bench::row(QStringLiteral("start-up to the first painted main window"), bench::amount(m, "ms"),
               reference, m / r, QStringLiteral("<= 1.5x"), m / r <= 1.5);
    bench::row(QStringLiteral("the same, until all three windows have painted"),
               bench::amount(a, "ms"), reference, a / r, QStringLiteral("(none)"), true);
    return 0;
}
