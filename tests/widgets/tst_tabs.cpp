// The image tab bars: geometry, painting from the sheets, presses, balloons; the no-focus style.
#include "BalTipLable.h"
#include "ChromeTabs.h"
#include "NoFocusRectangleStyle.h"
#include "PhaseTabs.h"
#include "WidgetTestKit.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionFocusRect>
#include <QTest>
#include <QTreeWidget>

namespace {
// Tab sheets of solid rows: normal, hover, selected, fourth.
QPixmap sharedSheet()
{
    return kit::solidSheet(171, 48, 1, 4, {Qt::red, Qt::green, Qt::blue, Qt::black});
}
QPixmap wideSheet()
{
    return kit::solidSheet(180, 48, 1, 4, {Qt::yellow, Qt::cyan, Qt::magenta, Qt::black});
}

// The phase bar as the main window sets it up, sized to its tabs.
template <class Bar> void setUpPhaseBar(Bar& bar, int tabs = 3)
{
    bar.setUsesScrollButtons(false);
    bar.setTabImages(sharedSheet());
    bar.setTabImages(2, wideSheet());
    bar.setOuterMargins(QMargins(-13, 0, -13, 0));
    bar.setTabMargins(QMargins(0, 0, 0, 0));
    bar.setFirstTabIndent(QPoint(210, 0));
    const char* texts[] = {"Passage Imitation@全文模仿", "Listen & Repeat@跟读训练",
                           "Retelling Exercise@复述练习"};
    for (int i = 0; i < tabs; ++i)
        bar.addTab(QString::fromUtf8(texts[i]));
    bar.resize(bar.sizeHint());
    bar.setAttribute(Qt::WA_DontShowOnScreen);
    bar.show();  // a shown bar lays its tabs out for its new size
}

void press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton)
{
    QTest::mousePress(w, b, {}, p);
    QTest::mouseRelease(w, b, {}, p);
}

void moveTo(QWidget* w, QPoint p)
{
    QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}
}  // namespace

class TestTabs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sizeHintsCarryIndentAndReserve();
    void oneTabGetsIndentButNoReserve();
    void hitAndPaintRectangles();
    void paintsSheetsAndSelectedOnTop();
    void disabledTabIsNotPainted();
    void disabledBarShowsItsTabsFaded();
    void pressSelectsTabInItsHitArea();
    void widerPictureIsNotHitBeyondSlot();
    void phasePressInUpperHalfIgnored();
    void phaseCaptionsPainted();
    void toolTipShowsInBalloon();
    void offsetMovesTabs();
    void noFocusRectangleStyle();
};

void TestTabs::sizeHintsCarryIndentAndReserve()
{
    ChromeTabs bar;
    setUpPhaseBar(bar);
    QCOMPARE(bar.tabRect(0).size(), QSize(171 - 26 + 210, 48));
    QCOMPARE(bar.tabRect(1).size(), QSize(171 - 26, 48));
    QCOMPARE(bar.tabRect(2).size(), QSize(171 - 26 + 200, 48));
}

void TestTabs::oneTabGetsIndentButNoReserve()
{
    ChromeTabs bar;
    setUpPhaseBar(bar, 1);
    QCOMPARE(bar.tabRect(0).width(), 171 - 26 + 210);
    QCOMPARE(bar.tabHitRect(0), QRect(210 - 13, 0, 171, 48));
}

void TestTabs::hitAndPaintRectangles()
{
    ChromeTabs bar;
    setUpPhaseBar(bar);
    // Each tab is its picture's width; neighbours overlap by 26 pixels.
    QCOMPARE(bar.tabHitRect(0), QRect(197, 0, 171, 48));
    QCOMPARE(bar.tabHitRect(1), QRect(342, 0, 171, 48));
    QCOMPARE(bar.tabHitRect(2), QRect(487, 0, 171, 48));
    QCOMPARE(bar.tabPaintRect(1), bar.tabHitRect(1));
    QCOMPARE(bar.tabPaintRect(2), QRect(487, 0, 180, 48));  // its own, wider picture
}

void TestTabs::paintsSheetsAndSelectedOnTop()
{
    ChromeTabs bar;
    setUpPhaseBar(bar);
    QCOMPARE(bar.currentIndex(), 0);
    QImage img = kit::grabbed(&bar);
    QCOMPARE(img.pixelColor(260, 24), QColor(Qt::blue));    // tab 0 selected
    QCOMPARE(img.pixelColor(355, 24), QColor(Qt::blue));    // on top of tab 1's edge
    QCOMPARE(img.pixelColor(420, 24), QColor(Qt::red));     // tab 1 normal
    QCOMPARE(img.pixelColor(520, 24), QColor(Qt::yellow));  // tab 2, its own picture
    QCOMPARE(img.pixelColor(663, 24), QColor(Qt::yellow));  // painted beyond its slot
    QVERIFY(img.pixelColor(100, 24) != QColor(Qt::red));    // the indent stays empty
    bar.setCurrentIndex(2);
    img = kit::grabbed(&bar);
    QCOMPARE(img.pixelColor(600, 24), QColor(Qt::magenta));  // tab 2 selected
    QCOMPARE(img.pixelColor(500, 24), QColor(Qt::magenta));  // over tab 1
    QCOMPARE(img.pixelColor(260, 24), QColor(Qt::red));
    // The hovered tab shows the hover row.
    QHoverEvent hover(QEvent::HoverMove, QPointF(420, 24), QPointF(420, 24), QPointF(0, 0));
    QCoreApplication::sendEvent(&bar, &hover);
    img = kit::grabbed(&bar);
    QCOMPARE(img.pixelColor(420, 24), QColor(Qt::green));
}

void TestTabs::disabledTabIsNotPainted()
{
    ChromeTabs bar;
    setUpPhaseBar(bar);
    bar.setTabEnabled(1, false);
    const QImage img = kit::grabbed(&bar);
    const QColor c = img.pixelColor(420, 24);
    QVERIFY(c != QColor(Qt::red) && c != QColor(Qt::green) && c != QColor(Qt::blue));
}

void TestTabs::disabledBarShowsItsTabsFaded()
{
    ChromeTabs bar;
    setUpPhaseBar(bar);
    bar.setTabEnabled(2, false);
    bar.setEnabled(false);
    const QImage img = kit::grabbed(&bar).convertToFormat(QImage::Format_ARGB32);
    // Faded: the pictures' colours at part strength over the background, the selected one on
    // top.
    const QColor selected = img.pixelColor(260, 24);
    const QColor normal = img.pixelColor(420, 24);
    QVERIFY2(selected.blue() > selected.red() + 60 && selected != QColor(Qt::blue),
             qPrintable(selected.name(QColor::HexArgb)));
    QVERIFY2(normal.red() > normal.blue() + 60 && normal != QColor(Qt::red),
             qPrintable(normal.name(QColor::HexArgb)));
    // A tab disabled on its own stays undrawn.
    QCOMPARE(img.pixelColor(600, 24), img.pixelColor(100, 24));  // as the empty indent
    // Enabled again, the bar is drawn at full strength.
    bar.setEnabled(true);
    QCOMPARE(kit::grabbed(&bar).pixelColor(420, 24), QColor(Qt::red));
}

void TestTabs::pressSelectsTabInItsHitArea()
{
    ChromeTabs bar;
    setUpPhaseBar(bar);
    QSignalSpy changed(&bar, &QTabBar::currentChanged);
    press(&bar, QPoint(420, 5));
    QCOMPARE(bar.currentIndex(), 1);
    press(&bar, QPoint(100, 20));  // the indent is no tab
    QCOMPARE(bar.currentIndex(), 1);
    press(&bar, QPoint(600, 40), Qt::RightButton);  // any button
    QCOMPARE(bar.currentIndex(), 2);
    QCOMPARE(changed.count(), 2);
    bar.setTabEnabled(0, false);
    press(&bar, QPoint(250, 20));
    QCOMPARE(bar.currentIndex(), 2);
}

void TestTabs::widerPictureIsNotHitBeyondSlot()
{
    ChromeTabs bar;
    setUpPhaseBar(bar);
    press(&bar, QPoint(662, 40));  // painted by tab 2, outside its hit rectangle
    QCOMPARE(bar.currentIndex(), 0);
    PhaseTabs phases;
    setUpPhaseBar(phases);
    press(&phases, QPoint(662, 40));
    QCOMPARE(phases.currentIndex(), 0);
    press(&phases, QPoint(650, 40));
    QCOMPARE(phases.currentIndex(), 2);
}

void TestTabs::phasePressInUpperHalfIgnored()
{
    PhaseTabs bar;
    setUpPhaseBar(bar);
    press(&bar, QPoint(420, 10));
    QCOMPARE(bar.currentIndex(), 0);
    press(&bar, QPoint(420, 23));
    QCOMPARE(bar.currentIndex(), 0);
    press(&bar, QPoint(420, 24));  // the lower half starts at half the height
    QCOMPARE(bar.currentIndex(), 1);
}

void TestTabs::phaseCaptionsPainted()
{
    PhaseTabs bar;
    setUpPhaseBar(bar);
    const QImage img = kit::grabbed(&bar);
    const auto count = [&img](QRect r, QColor c) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += kit::near(img.pixelColor(x, y), c, 40);
        return n;
    };
    // Selected tab 0: white English above, white Chinese below.
    QVERIFY(count(QRect(197, 0, 171, 24), Qt::white) > 15);
    QVERIFY(count(QRect(197, 24, 171, 24), Qt::white) > 15);
    // Tab 1: dark Chinese below, nothing above.
    QVERIFY(count(QRect(370, 24, 115, 24), QColor(7, 53, 77)) > 15);
    QCOMPARE(count(QRect(370, 0, 115, 24), QColor(7, 53, 77)), 0);
    QCOMPARE(count(QRect(370, 0, 115, 24), Qt::white), 0);
    // A disabled tab gets no text.
    bar.setTabEnabled(1, false);
    const QImage off = kit::grabbed(&bar);
    int dark = 0;
    for (int y = 24; y < 48; ++y)
        for (int x = 380; x < 475; ++x)
            dark += kit::near(off.pixelColor(x, y), QColor(7, 53, 77), 40);
    QCOMPARE(dark, 0);
}

void TestTabs::toolTipShowsInBalloon()
{
    QWidget parent;
    parent.resize(900, 200);
    ChromeTabs* bar = new ChromeTabs(&parent);
    setUpPhaseBar(*bar);
    bar->move(0, 100);
    bar->setTabToolTip(1, QStringLiteral("材料全文"));
    QHelpEvent tip(QEvent::ToolTip, QPoint(420, 20), bar->mapToGlobal(QPoint(420, 20)));
    QVERIFY(QCoreApplication::sendEvent(bar, &tip));  // swallowed
    moveTo(bar, QPoint(420, 20));
    BalTipLable* balloon = BalTipLable::current();
    QVERIFY(balloon);
    QCOMPARE(balloon->text(), QStringLiteral("材料全文"));
    QCOMPARE(balloon->parentWidget(), &parent);
    // Its pointer at the middle of the tab's top edge, in the parent's coordinates.
    QCOMPARE(balloon->geometry().bottom() + 1, 100);
    QCOMPARE(balloon->x() + balloon->width() / 2, (342 + 512) / 2);
    QCOMPARE(bar->cursor().shape(), Qt::PointingHandCursor);
    moveTo(bar, QPoint(100, 20));  // over no tab
    QVERIFY(balloon->isHidden());
    QCOMPARE(bar->cursor().shape(), Qt::ArrowCursor);
    // The phase bar shows no balloon.
    PhaseTabs* phases = new PhaseTabs(&parent);
    setUpPhaseBar(*phases);
    phases->setTabToolTip(1, QStringLiteral("x"));
    moveTo(phases, QPoint(420, 30));
    QVERIFY(balloon->isHidden());
}

void TestTabs::offsetMovesTabs()
{
    ChromeTabs bar;
    setUpPhaseBar(bar);
    bar.setTabOffset(QPoint(5, 3));
    QCOMPARE(bar.tabOffset(), QPoint(5, 3));
    QCOMPARE(bar.tabHitRect(1), QRect(347, 3, 171, 48));
}

void TestTabs::noFocusRectangleStyle()
{
    NoFocusRectangleStyle style;
    QTreeWidget tree;
    QPushButton button;
    QLabel label;
    const auto paints = [&style](QWidget* w, bool control) {
        QImage img(40, 40, QImage::Format_ARGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        if (control) {
            QStyleOptionButton opt;
            opt.rect = QRect(2, 2, 36, 36);
            opt.palette.setColor(QPalette::Button, Qt::black);
            opt.text = QStringLiteral("X");
            style.drawControl(QStyle::CE_PushButton, &opt, &p, w);
        } else {
            QStyleOptionFocusRect opt;
            opt.rect = QRect(2, 2, 36, 36);
            opt.palette.setColor(QPalette::WindowText, Qt::black);
            style.drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, w);
        }
        p.end();
        QImage blank(40, 40, QImage::Format_ARGB32);
        blank.fill(Qt::white);
        return img != blank;
    };
    QVERIFY(!paints(&tree, false));
    QVERIFY(!paints(&button, false));
    QVERIFY(paints(&label, false));
    QVERIFY(!paints(&tree, true));
    QVERIFY(paints(&button, true));
}

QTEST_MAIN(TestTabs)
#include "tst_tabs.moc"
