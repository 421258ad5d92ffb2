// The image sliders: geometry, painting at both ends, the click mapping, the position handler.
#include "VolSlider.h"
#include "WidgetTestKit.h"
#include "wikiSlider.h"

#include <QSignalSpy>
#include <QTest>

namespace {
// The first and last columns of row y that differ from the background: at a row above the
// track, that is the knob.
QPair<int, int> knobSpan(QWidget* w, int y)
{
    const QImage img = kit::grabbed(w);
    const QColor bg = w->palette().color(QPalette::Window);
    int first = -1, last = -1;
    for (int x = 0; x < img.width(); ++x) {
        if (!kit::near(img.pixelColor(x, y), bg, 2)) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return {first, last};
}

class Receiver : public QObject {
    Q_OBJECT
public:
    QList<float> calls;
    void seek(float f) { calls << f; }
};
}  // namespace

class TestSliders : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void volFractionSignal();
    void volKnobAtBothEnds();
    void volKnobFollowsRange();
    void volClickMapsAcrossTrack();
    void volClickOutsideBandChangesNothing();
    void volDragOnlyWithLeftButton();
    void wikiProgressMovesKnob();
    void wikiClickCallsHandlerAtBothEnds();
    void wikiClickWithoutHandlerDoesNothing();
};

// VolSlider: knob 6 x 14, track 4 high. Width 106: half 3, track length 100. Height 20:
// knob top 3, bar top 8.
static void setUp(VolSlider& s)
{
    s.setRange(0, 100);
    s.resize(106, 20);
}

void TestSliders::volFractionSignal()
{
    VolSlider s;
    s.setRange(10, 30);
    QSignalSpy spy(&s, &VolSlider::sigPercChanged);
    s.setValue(15);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toFloat(), 0.25f);
}

void TestSliders::volKnobAtBothEnds()
{
    VolSlider s;
    setUp(s);
    s.setValue(0);
    QCOMPARE(s.knobLeft(), 0);
    QCOMPARE(knobSpan(&s, 6), qMakePair(0, 5));  // row 6: inside the knob, above the track
    s.setValue(100);
    QCOMPARE(s.knobLeft(), 100);
    QCOMPARE(knobSpan(&s, 6), qMakePair(100, 105));  // the right end of the track
    // The filled part reaches the knob; the unfilled track is lighter.
    s.setValue(50);
    const QImage img = kit::grabbed(&s);
    QVERIFY(qGray(img.pixel(20, 10)) < qGray(img.pixel(80, 10)));
}

void TestSliders::volKnobFollowsRange()
{
    VolSlider s;
    setUp(s);
    s.setValue(100);
    s.setRange(0, 200);  // the value stays 100, half way
    QCOMPARE(s.knobLeft(), 50);
    s.blockSignals(true);
    s.setRange(0, 100);
    s.blockSignals(false);
    QCOMPARE(s.knobLeft(), 100);
}

void TestSliders::volClickMapsAcrossTrack()
{
    VolSlider s;
    setUp(s);
    s.setValue(50);
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(2, 10));  // x + 1 == half: the start
    QCOMPARE(s.value(), 0);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(2, 10));
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(102, 10));  // x + 1 == half + length
    QCOMPARE(s.value(), 100);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(102, 10));
    QTest::mousePress(&s, Qt::RightButton, {}, QPoint(27, 10));  // any button jumps
    QCOMPARE(s.value(), 25);
}

void TestSliders::volClickOutsideBandChangesNothing()
{
    VolSlider s;
    setUp(s);
    s.setValue(50);
    for (QPoint p : {QPoint(1, 10), QPoint(103, 10), QPoint(50, 2), QPoint(50, 18)}) {
        QTest::mousePress(&s, Qt::LeftButton, {}, p);
        QTest::mouseRelease(&s, Qt::LeftButton, {}, p);
        QCOMPARE(s.value(), 50);
    }
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(72, 17));  // the band's bottom edge counts
    QCOMPARE(s.value(), 70);
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(62, 3));  // and its top edge
    QCOMPARE(s.value(), 60);
}

void TestSliders::volDragOnlyWithLeftButton()
{
    VolSlider s;
    setUp(s);
    s.setValue(50);
    QMouseEvent right(QEvent::MouseMove, QPointF(22, 10), QPointF(22, 10), Qt::NoButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&s, &right);
    QCOMPARE(s.value(), 50);
    QMouseEvent left(QEvent::MouseMove, QPointF(22, 10), QPointF(22, 10), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&s, &left);
    QCOMPARE(s.value(), 20);
}

// wikiSlider: knob 11 x 20, track 8 high. Width 111: half 5, track length 101. Height 20:
// knob top 0, bar top 6.
void TestSliders::wikiProgressMovesKnob()
{
    wikiSlider s;
    s.resize(111, 20);
    s.setProgress(1.0f);
    QCOMPARE(s.filledLength(), 101);
    QCOMPARE(knobSpan(&s, 3).first, 101);  // the knob starts at the end of the track
    s.setProgress(0.5f);
    QCOMPARE(s.filledLength(), 50);
    QCOMPARE(knobSpan(&s, 3), qMakePair(50, 60));
    s.setProgress(0);
    QCOMPARE(knobSpan(&s, 3), qMakePair(0, 10));
}

void TestSliders::wikiClickCallsHandlerAtBothEnds()
{
    wikiSlider s;
    s.resize(111, 20);
    Receiver r;
    s.setHandlerObject(&r);
    s.setPositionHandler(static_cast<vPlotWidget::PositionHandler>(&Receiver::seek));
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(5, 10));
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(5, 10));
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(106, 6));
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(106, 6));
    QCOMPARE(r.calls, QList<float>({0.0f, 1.0f}));
    // Outside the bar, or with another button: no call; the bar itself does not move.
    for (QPoint p : {QPoint(4, 10), QPoint(107, 10), QPoint(50, 5), QPoint(50, 15)}) {
        QTest::mousePress(&s, Qt::LeftButton, {}, p);
        QTest::mouseRelease(&s, Qt::LeftButton, {}, p);
    }
    QTest::mousePress(&s, Qt::RightButton, {}, QPoint(50, 10));
    QCOMPARE(r.calls.size(), 2);
    QCOMPARE(s.filledLength(), 0);
}

void TestSliders::wikiClickWithoutHandlerDoesNothing()
{
    wikiSlider s;
    s.resize(111, 20);
    Receiver r;
    s.setHandlerObject(&r);  // receiver but no handler
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(50, 10));
    wikiSlider t;
    t.resize(111, 20);
    t.setPositionHandler(static_cast<vPlotWidget::PositionHandler>(&Receiver::seek));
    QTest::mousePress(&t, Qt::LeftButton, {}, QPoint(50, 10));  // handler but no receiver
    QVERIFY(r.calls.isEmpty());
}

QTEST_MAIN(TestSliders)
#include "tst_sliders.moc"
