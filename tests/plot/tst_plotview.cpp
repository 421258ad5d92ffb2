// The waveform strip and the control panel as a learner sees and uses them: real widgets,
// real mouse events, painted output grabbed and read back pixel by pixel.
#include "PanelView.h"
#include "PlotView.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QtTest>

namespace {
// Receives the view's handlers the way the practice controller does.
class Receiver : public QObject {
    Q_OBJECT
public:
    std::vector<int> sentences;
    std::vector<float> positions;
    void onSentence(int i) { sentences.push_back(i); }
    void onPosition(float f) { positions.push_back(f); }
};

void attach(PlotView& view, Receiver& receiver)
{
    view.setHandlerObject(&receiver);
    view.setSentenceHandler(static_cast<vPlotWidget::SentenceHandler>(&Receiver::onSentence));
    view.setPositionHandler(static_cast<vPlotWidget::PositionHandler>(&Receiver::onPosition));
}

void mouse(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

void press(QWidget& w, QPointF at, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(w, QEvent::MouseButtonPress, at, button, button);
    mouse(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

void drag(QWidget& w, QPointF at, Qt::MouseButtons held = Qt::LeftButton)
{
    mouse(w, QEvent::MouseMove, at, Qt::NoButton, held);
}

QImage shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

bool near(QColor a, QColor b, int slack = 3)
{
    return qAbs(a.red() - b.red()) <= slack && qAbs(a.green() - b.green()) <= slack &&
           qAbs(a.blue() - b.blue()) <= slack;
}

QString describe(QColor c)
{
    return QStringLiteral("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

// Width of the caption text in the grabbed strip: first to last column with ink.
int textColumns(const QImage& image)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if ((image.pixel(x, y) & 0xffffff) != 0) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
    return first < 0 ? 0 : last - first + 1;
}
}  // namespace

class TestPlotView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionAnimation();
    void captionStates();
    void pictureEndsFetching();
    void sentenceChoice();
    void sentenceOverlayNeedsTimesBeforeTheEnd();
    void rangeMarks();
    void positionStrip();
    void overlaysPainted();
    void panelThreeParts();
};

void TestPlotView::captionAnimation()
{
    PlotView view(nullptr);
    QCOMPARE(view.size(), QSize(482, 26));
    auto* timer = view.findChild<QTimer*>();
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!view.isAnimating());

    view.setFetching(true);
    QVERIFY(view.isAnimating());
    const QString base = QStringLiteral("正在获取波形");
    QCOMPARE(view.shownCaption(), base + ".");
    const QStringList expected{base + ".",    base + "..", base + "...",
                               base + "....", base + ".",  base + "."};
    QStringList seen;
    std::vector<int> widths;
    for (int i = 0; i < expected.size(); ++i) {
        view.doPlotting();
        seen << view.shownCaption();
        widths.push_back(textColumns(shot(view)));
    }
    QCOMPARE(seen, expected);
    // Painted: every extra dot widens the text; steps 0 and 1 look the same.
    QVERIFY(widths[1] > widths[0]);
    QVERIFY(widths[2] > widths[1]);
    QVERIFY(widths[3] > widths[2]);
    QCOMPARE(widths[4], widths[0]);
    QCOMPARE(widths[5], widths[0]);

    // The timer itself drives the steps.
    const QString now = view.shownCaption();
    QTRY_VERIFY_WITH_TIMEOUT(view.shownCaption() != now, 5000);
}

void TestPlotView::captionStates()
{
    PlotView view(nullptr);
    view.setCaption(QStringLiteral("你还没有录音"));
    QCOMPARE(view.shownCaption(), QStringLiteral("你还没有录音"));
    const int idle = textColumns(shot(view));
    QVERIFY(idle > 20);

    view.setFetching(true);
    view.setRecording(true);
    QVERIFY(view.shownCaption().startsWith(QStringLiteral("正在录音")));  // recording wins
    // Either flag given false stops the animation, whatever the other one holds.
    view.setRecording(false);
    QVERIFY(!view.isAnimating());
    QVERIFY(view.isFetching());
    QVERIFY(view.shownCaption().startsWith(QStringLiteral("正在获取波形")));
    view.setRecording(true);
    QVERIFY(view.isAnimating());
    view.setFetching(false);
    QVERIFY(!view.isAnimating());
    view.setRecording(false);
    QCOMPARE(view.shownCaption(), QStringLiteral("你还没有录音"));
}

void TestPlotView::pictureEndsFetching()
{
    PlotView view(nullptr);
    view.setFetching(true);
    view.setPixmap(nullptr);  // the controller clears the view before asking again
    QVERIFY(view.isFetching());
    QVERIFY(view.isAnimating());

    QImage picture(561, 40, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 40));
    view.setPixmap(&picture);
    QVERIFY(!view.isFetching());
    QVERIFY(!view.isAnimating());
    QVERIFY(near(shot(view).pixelColor(300, 13), QColor(200, 40, 40)));

    // A picture, once set, is painted instead of the recording caption.
    view.setRecording(true);
    QVERIFY(near(shot(view).pixelColor(240, 13), QColor(200, 40, 40)));
    view.setPixmap(nullptr);
    QVERIFY(view.isRecording());
    QVERIFY(near(shot(view).pixelColor(2, 2), Qt::black));
}

void TestPlotView::sentenceChoice()
{
    PlotView view(nullptr);
    Receiver receiver;
    attach(view, receiver);
    const std::vector<float> times{0, 5, 8};
    view.setSentenceTimes(&times);
    view.setDuration(10);

    // x = 241 is exactly 5 s of 10: the boundary belongs to the earlier sentence.
    press(view, QPointF(241, 10));
    press(view, QPointF(242, 10));
    press(view, QPointF(400, 10));
    press(view, QPointF(241, 10));
    QCOMPARE(receiver.sentences, (std::vector<int>{0, 1, 2, 0}));
    QCOMPARE(view.currentSentenceIndex(), 0);
    // Pressing in the current sentence again changes nothing.
    press(view, QPointF(10, 10));
    QCOMPARE(receiver.sentences.size(), std::size_t(4));
    QVERIFY(receiver.positions.empty());

    // Dragging points at sentences without choosing them; leaving forgets the pointing.
    drag(view, QPointF(300, 5));
    QCOMPARE(view.hoveredSentenceIndex(), 1);
    QCOMPARE(receiver.sentences.size(), std::size_t(4));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&view, &leave);
    QCOMPARE(view.hoveredSentenceIndex(), -1);

    // Outside the strip nothing is chosen.
    press(view, QPointF(483, 10));
    press(view, QPointF(300, -1));
    QCOMPARE(receiver.sentences.size(), std::size_t(4));

    // The controller sets the current sentence; without times it is ignored.
    view.setCurrentSentence(2);
    QCOMPARE(view.currentSentenceIndex(), 2);
    PlotView plain(nullptr);
    plain.setCurrentSentence(3);
    QCOMPARE(plain.currentSentenceIndex(), -1);
}

void TestPlotView::sentenceOverlayNeedsTimesBeforeTheEnd()
{
    // A timeline reaching past the duration turns the view into a plain position strip.
    PlotView view(nullptr);
    Receiver receiver;
    attach(view, receiver);
    const std::vector<float> times{0, 5, 12};
    view.setSentenceTimes(&times);
    view.setDuration(10);
    view.setCurrentSentence(1);
    press(view, QPointF(241, 10));
    QVERIFY(receiver.sentences.empty());
    QCOMPARE(receiver.positions, (std::vector<float>{0.5f}));
    // And no band is painted for the current sentence.
    QVERIFY(near(shot(view).pixelColor(300, 13), Qt::black));
}

void TestPlotView::rangeMarks()
{
    PlotView view(nullptr);
    Receiver receiver;
    attach(view, receiver);
    view.setRangeMode(true);
    float a = -1;
    float b = -1;
    QVERIFY(view.getRange(&a, &b));  // the whole strip at first
    QCOMPARE(a, 0.0f);
    QCOMPARE(b, 1.0f);

    press(view, QPointF(100, 10), Qt::LeftButton);
    press(view, QPointF(300, 10), Qt::RightButton);
    QVERIFY(view.getRange(&a, &b));
    QCOMPARE(a, 100.0f / 482);
    QCOMPARE(b, 300.0f / 482);
    QVERIFY(!view.getRange(nullptr, &b));
    QVERIFY(receiver.positions.empty());
    // B after A: green over the black caption background.
    QImage image = shot(view);
    QVERIFY2(near(image.pixelColor(200, 3), QColor(0, 100, 0)),
             qPrintable(describe(image.pixelColor(200, 3))));
    QVERIFY(near(image.pixelColor(50, 3), Qt::black));

    // Dragging with the left button moves A past B: red, and no range to report.
    drag(view, QPointF(400, 10), Qt::LeftButton);
    QVERIFY(!view.getRange(&a, &b));
    image = shot(view);
    QVERIFY2(near(image.pixelColor(350, 3), QColor(100, 0, 0)),
             qPrintable(describe(image.pixelColor(350, 3))));
    QVERIFY(near(image.pixelColor(200, 3), Qt::black));
    // Both buttons at once: ignored.
    drag(view, QPointF(10, 10), Qt::LeftButton | Qt::RightButton);
    QVERIFY(!view.getRange(&a, &b));
    // Equal marks: nothing painted, no range.
    press(view, QPointF(300, 10), Qt::LeftButton);
    QVERIFY(!view.getRange(&a, &b));
    image = shot(view);
    QVERIFY(near(image.pixelColor(300, 3), Qt::black) && near(image.pixelColor(350, 3), Qt::black));
}

void TestPlotView::positionStrip()
{
    PlotView view(nullptr);
    Receiver receiver;
    attach(view, receiver);
    press(view, QPointF(241, 10));
    drag(view, QPointF(482, 10));
    drag(view, QPointF(0, 26));
    press(view, QPointF(100, 10), Qt::RightButton);  // only the left button seeks
    drag(view, QPointF(100, 10), Qt::NoButton);
    drag(view, QPointF(-0.5, 10));  // outside
    QCOMPARE(receiver.positions, (std::vector<float>{0.5f, 1.0f, 0.0f}));

    // The context menu is swallowed.
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10),
                           view.mapToGlobal(QPoint(10, 10)));
    menu.ignore();
    QCoreApplication::sendEvent(&view, &menu);
    QVERIFY(menu.isAccepted());

    // Without a receiver the handlers are not called (and nothing crashes).
    PlotView lone(nullptr);
    lone.setPositionHandler(static_cast<vPlotWidget::PositionHandler>(&Receiver::onPosition));
    press(lone, QPointF(10, 10));
}

void TestPlotView::overlaysPainted()
{
    PlotView view(nullptr);
    const std::vector<float> times{0, 5, 8};
    view.setSentenceTimes(&times);
    view.setDuration(10);
    view.setCurrentSentence(1);  // x from 241 to 385
    view.setProgress(0.25f);     // x = 120.5 -> column 120
    QImage image = shot(view);
    const QColor current(0, 39, 39);  // (0, 200, 200) at alpha 50 over black
    QVERIFY2(near(image.pixelColor(241, 20), current),
             qPrintable(describe(image.pixelColor(241, 20))));
    QVERIFY(near(image.pixelColor(384, 20), current));
    QVERIFY(near(image.pixelColor(240, 20), Qt::black));
    QVERIFY(near(image.pixelColor(385, 20), Qt::black));
    QVERIFY2(near(image.pixelColor(120, 25), QColor(200, 200, 200)),
             qPrintable(describe(image.pixelColor(120, 25))));
    QVERIFY(near(image.pixelColor(119, 25), Qt::black) &&
            near(image.pixelColor(121, 25), Qt::black));

    // The pointed-at sentence is brighter than the current one.
    drag(view, QPointF(420, 5));
    image = shot(view);
    QVERIFY2(near(image.pixelColor(440, 20), QColor(0, 78, 78)),
             qPrintable(describe(image.pixelColor(440, 20))));

    // The cursor stays inside the strip; the tint covers everything last.
    view.setProgress(-3);
    QVERIFY(near(shot(view).pixelColor(0, 10), QColor(200, 200, 200)));
    view.setTintColor(QColor(255, 0, 0, 128));
    view.setProgress(0);
    image = shot(view);
    QVERIFY2(near(image.pixelColor(60, 10), QColor(128, 0, 0)),
             qPrintable(describe(image.pixelColor(60, 10))));
}

void TestPlotView::panelThreeParts()
{
    PanelView panel(nullptr);
    QVERIFY(panel.windowFlags() & Qt::Tool);
    QVERIFY(panel.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(panel.testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(!panel.cornerFilled());

    QImage left(17, 90, QImage::Format_ARGB32);
    left.fill(QColor(255, 0, 0));
    QImage middle(5, 90, QImage::Format_ARGB32);
    middle.fill(QColor(0, 0, 255));
    for (int y = 20; y < 90; ++y)
        for (int x = 0; x < 5; ++x)
            middle.setPixelColor(x, y, QColor(0, 255, 0));
    QImage right(17, 90, QImage::Format_ARGB32);
    right.fill(QColor(255, 255, 0));
    panel.setPictures(left, middle, right);
    panel.resize(666, 90);

    QImage image = shot(panel);
    QCOMPARE(image.pixelColor(0, 45), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(16, 45), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(17, 45), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(17, 5), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(648, 45), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(649, 45), QColor(255, 255, 0));
    QCOMPARE(image.pixelColor(665, 89), QColor(255, 255, 0));

    // The corner fill: the middle picture's rows from 20 down replace the right cap's.
    panel.setCornerFilled(true);
    image = shot(panel);
    QCOMPARE(image.pixelColor(649, 45), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(665, 89), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(660, 19), QColor(255, 255, 0));
    QCOMPARE(image.pixelColor(0, 45), QColor(255, 0, 0));
}

QTEST_MAIN(TestPlotView)
#include "tst_plotview.moc"
