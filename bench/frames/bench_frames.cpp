// Resize-drag benchmark: a corner drag on a window with the main skin, carried out by the
// skin's own resize handling (no window manager, as on a bare X server), counting the frames
// the window paints; beside the same drag on a bare window that a program resizes step by
// step, measured in the same run. Run under an X server.
//
//   bench_frames [runs] [steps]   medians of `runs` (at least 5) drags of `steps` (at least 50)
//                                 pointer moves of 2 pixels each way; prints one result line:
//                                 skinned frames per second, the bare window's, the ratio and
//                                 the target (at least 30 frames per second)
#include "BenchSupport.h"
#include "QSkinObject.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr QPoint kPlace(60, 60);
constexpr QSize kStartSize(666, 480);
constexpr int kStep = 2;
constexpr double kTargetFps = 30.0;
constexpr int kPaintWaitMs = 2000;

// Counts the paint events of a window.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

void mouse(QWidget* window, QEvent::Type type, const QPoint& global, Qt::MouseButton button,
           Qt::MouseButtons buttons)
{
    const QPointF local = QPointF(global - window->geometry().topLeft());
    QMouseEvent event(type, local, local, QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

// Waits until the window has painted once more than `before`; false on timeout.
bool waitForPaint(const PaintCounter& counter, int before)
{
    QElapsedTimer t;
    t.start();
    while (counter.paints <= before) {
        if (t.elapsed() > kPaintWaitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Frames per second over a drag of `steps` moves; each move waits for the window's repaint.
// `move` carries out one step of the drag to the given global pointer position.
template <class Move> double dragRate(QWidget& window, int steps, Move move)
{
    PaintCounter counter;
    window.installEventFilter(&counter);
    QElapsedTimer clock;
    clock.start();
    int frames = 0;
    for (int i = 1; i <= steps; ++i) {
        const int before = counter.paints;
        move(i);
        if (!waitForPaint(counter, before))
            return -1;
        ++frames;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    window.removeEventFilter(&counter);
    return seconds > 0 ? frames / seconds : -1;
}

double skinnedRun(int steps)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Resize"));
    window.resize(kStartSize);
    window.move(kPlace);
    QSkinObject skin(&window, QSkinObject::MinMaxClose);
    skin.setSkinFile(QStringLiteral("./skin/main.ini"));
    skin.startSkinning();
    window.show();
    if (!skin.isSkinning() || !QTest::qWaitForWindowExposed(&window))
        return -1;
    const QPoint corner = kPlace + QPoint(kStartSize.width() - 2, kStartSize.height() - 2);
    mouse(&window, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    const double fps = dragRate(window, steps, [&](int i) {
        mouse(&window, QEvent::MouseMove, corner + QPoint(i * kStep, i * kStep), Qt::NoButton,
              Qt::LeftButton);
    });
    mouse(&window, QEvent::MouseButtonRelease, corner + QPoint(steps * kStep, steps * kStep),
          Qt::LeftButton, Qt::NoButton);
    if (window.size() != kStartSize + QSize(steps * kStep, steps * kStep))
        return -1;  // the drag did not resize the window
    return fps;
}

double bareRun(int steps)
{
    QWidget window;
    window.resize(kStartSize);
    window.move(kPlace);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return -1;
    return dragRate(window, steps,
                    [&](int i) { window.resize(kStartSize + QSize(i * kStep, i * kStep)); });
}
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(5, QByteArray(argv[1]).toInt()) : 5;
    const int steps = argc >= 3 ? std::max(50, QByteArray(argv[2]).toInt()) : 120;
    std::vector<double> skinned;
    std::vector<double> bare;
    for (int i = 0; i < runs; ++i) {  // taking turns, so load changes hit both alike
        skinned.push_back(skinnedRun(steps));
        bare.push_back(bareRun(steps));
    }
    const auto failed = [](const std::vector<double>& v) {
        return std::any_of(v.begin(), v.end(), [](double x) { return x <= 0; });
    };
    if (failed(skinned) || failed(bare)) {
        std::fprintf(stderr, "a drag did not repaint or resize the window\n");
        return 1;
    }
    const double s = bench::median(skinned);
    const double b = bench::median(bare);
    bench::row(QStringLiteral("skinned window repaints during a corner drag"),
               bench::amount(s, "fps"),
               QStringLiteral("bare window resized ") + bench::amount(b, "fps"), s / b,
               QStringLiteral(">= 30 fps"), s >= kTargetFps);
    return 0;
}
