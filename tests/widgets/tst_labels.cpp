// The balloon tip, the count badge, the volume icon's pop-up and the image scroll bar.
#include "BalTipLable.h"
#include "EchoraScrollBar.h"
#include "VoicerImg.h"
#include "VolSlider.h"
#include "WeiboNote.h"
#include "WidgetTestKit.h"

#include <QCursor>
#include <QPointer>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>

namespace {
// A row as the main window lays it out: icon, slider, caption and time label.
struct Row {
    QWidget window;
    VoicerImg* icon = new VoicerImg(&window);
    VolSlider* slider = new VolSlider(&window);
    QWidget* caption = new QWidget(&window);
    QWidget* time = new QWidget(&window);
    Row()
    {
        slider->setRange(0, 100);
        slider->setValue(50);
        icon->setPopup(slider);
        icon->addCompanion(caption);
        icon->addCompanion(time);
        // Apart, and away from the pointer: Qt sends enter events of its own to a widget
        // that appears under the pointer.
        window.setGeometry(200, 200, 300, 60);
        icon->setGeometry(10, 10, 22, 22);
        slider->setGeometry(40, 10, 110, 20);
        caption->setGeometry(40, 35, 60, 20);
        time->setGeometry(160, 10, 60, 20);
        QCursor::setPos(0, 0);
        window.show();
    }
    bool popupShown() const
    {
        return !slider->isHidden() && caption->isHidden() && time->isHidden();
    }
    bool popupHidden() const
    {
        return slider->isHidden() && !caption->isHidden() && !time->isHidden();
    }
};
}  // namespace

class TestLabels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void balloonPlacedAboveAnchor();
    void oneBalloonAtATime();
    void hideTipWithoutBalloon();
    void badgeShowsCountWhileNonZero();
    void badgePaintsCountOverPicture();
    void popupHiddenAtStart();
    void popupShowsWhilePointerOnIcon();
    void popupKeptWhenPointerMovesOntoIt();
    void popupGoesAfterLeavingBoth();
    void wheelOnIconMovesSlider();
    void scrollBarHintAndHandle();
    void scrollBarHandleIsTheGripWithAMinimumLength();
};

void TestLabels::balloonPlacedAboveAnchor()
{
    QWidget parent;
    parent.resize(300, 200);
    BalTipLable::showTip(QPoint(100, 50), QStringLiteral("当前句子"), &parent);
    BalTipLable* tip = BalTipLable::current();
    QVERIFY(tip);
    QCOMPARE(tip->parentWidget(), &parent);
    QCOMPARE(tip->size(), QSize(72, 27));
    QCOMPARE(tip->geometry().topLeft(), QPoint(100 - 36, 50 - 27));
    QVERIFY(!tip->isHidden());
    // The text sits in the body, above the pointer: white ink in the middle of the body.
    const QImage img = kit::grabbed(tip);
    int white = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 72; ++x)
            white += qGray(img.pixel(x, y)) > 200;
    QVERIFY(white > 20);
}

void TestLabels::oneBalloonAtATime()
{
    QWidget parent;
    BalTipLable::showTip(QPoint(50, 50), QStringLiteral("a"), &parent);
    QPointer<BalTipLable> first = BalTipLable::current();
    BalTipLable::showTip(QPoint(80, 50), QStringLiteral("b"), &parent);
    QVERIFY(first.isNull());
    QPointer<BalTipLable> second = BalTipLable::current();
    QCOMPARE(second->text(), QStringLiteral("b"));
    BalTipLable::hideTip();
    QVERIFY(!second.isNull());  // hidden, kept
    QVERIFY(second->isHidden());
}

void TestLabels::hideTipWithoutBalloon()
{
    {
        QWidget parent;
        BalTipLable::showTip(QPoint(50, 50), QStringLiteral("a"), &parent);
    }  // the balloon goes with its parent
    QVERIFY(!BalTipLable::current());
    BalTipLable::hideTip();  // nothing to hide, nothing happens
}

void TestLabels::badgeShowsCountWhileNonZero()
{
    QWidget parent;
    WeiboNote* note = new WeiboNote(&parent);
    parent.show();
    QVERIFY(note->isHidden());
    QVERIFY(note->testAttribute(Qt::WA_TransparentForMouseEvents));
    note->addCount(3);
    QVERIFY(!note->isHidden());
    QCOMPARE(note->countText(), QStringLiteral("3 "));
    note->addCount(-3);
    QVERIFY(note->isHidden());
    note->addCount(2);
    note->addCount(1);
    QCOMPARE(note->count(), 3);
    note->clearCount();
    QVERIFY(note->isHidden());
    QCOMPARE(note->count(), 0);
}

void TestLabels::badgePaintsCountOverPicture()
{
    WeiboNote note;
    note.setPixmap(QPixmap(QStringLiteral(":/images/bg-matnum.png")));
    note.resize(20, 32);
    QPalette pal = note.palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    note.setPalette(pal);
    const QImage empty = kit::grabbed(&note);
    note.addCount(3);
    const QImage three = kit::grabbed(&note);
    // The "3 " is written at the top right, over the red bubble, in white.
    int changed = 0, leftChanged = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 20; ++x) {
            if (empty.pixel(x, y) != three.pixel(x, y)) {
                ++changed;
                QVERIFY2(y < 20, "the count is at the top");
                leftChanged += x < 6;
            }
        }
    }
    QVERIFY(changed > 5);
    QCOMPARE(leftChanged, 0);  // right-aligned
}

void TestLabels::popupHiddenAtStart()
{
    Row row;
    QVERIFY(row.popupHidden());
}

void TestLabels::popupShowsWhilePointerOnIcon()
{
    Row row;
    kit::enter(row.icon);
    QVERIFY(row.popupShown());
    QTest::qWait(VoicerImg::kHideDelayMs + 150);
    QVERIFY(row.popupShown());  // still on the icon
}

void TestLabels::popupKeptWhenPointerMovesOntoIt()
{
    Row row;
    kit::enter(row.icon);
    kit::leave(row.icon);
    QTest::qWait(50);
    kit::enter(row.slider);  // within 200 ms
    QTest::qWait(VoicerImg::kHideDelayMs + 150);
    QVERIFY(row.popupShown());
    // A return to the icon from the pop-up keeps it too.
    kit::leave(row.slider);
    kit::enter(row.icon);
    QTest::qWait(VoicerImg::kHideDelayMs + 150);
    QVERIFY(row.popupShown());
}

void TestLabels::popupGoesAfterLeavingBoth()
{
    Row row;
    kit::enter(row.icon);
    kit::leave(row.icon);
    kit::enter(row.slider);
    kit::leave(row.slider);
    QVERIFY(row.popupShown());  // not at once
    QTRY_VERIFY_WITH_TIMEOUT(row.popupHidden(), 2000);
}

void TestLabels::wheelOnIconMovesSlider()
{
    Row row;
    QSignalSpy spy(row.slider, &VolSlider::valueChanged);
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(row.icon, &wheel);
    QVERIFY(spy.count() > 0);
    QVERIFY(row.slider->value() > 50);
}

void TestLabels::scrollBarHintAndHandle()
{
    EchoraScrollBar bar;
    bar.resize(11, 200);
    EchoraScrollBar fresh;
    QCOMPARE(fresh.sizeHint(), QSize(11, fresh.height()));
    bar.setRange(0, 100);
    bar.setPageStep(100);
    bar.setValue(50);
    QCOMPARE(bar.handleSpan(), qMakePair(50, 100));  // 200 * 50 / 200, 200 * 100 / 200
    const QImage img = kit::grabbed(&bar);
    const QColor handle(108, 177, 207);
    QVERIFY(kit::near(img.pixelColor(5, 100), handle));     // inside the handle
    QVERIFY(!kit::near(img.pixelColor(5, 20), handle));     // the track above it
    QVERIFY(!kit::near(img.pixelColor(5, 180), handle));    // and below
    QVERIFY(kit::near(img.pixelColor(0, 100), Qt::white));  // white behind the rail's edge
    bar.setValue(100);
    QCOMPARE(bar.handleSpan(), qMakePair(100, 100));
    bar.setRange(0, 0);
    bar.setPageStep(0);
    QCOMPARE(bar.handleSpan().second, 0);
}

void TestLabels::scrollBarHandleIsTheGripWithAMinimumLength()
{
    // A long list gives a page step far below the range: the handle keeps 20 pixels, travels
    // over the rest of the track, and is exactly where the mouse takes hold of it.
    EchoraScrollBar bar;
    bar.resize(11, 300);
    bar.setRange(0, 100000);
    bar.setPageStep(300);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    for (int value : {0, 50000, 100000}) {
        bar.setValue(value);
        const auto [top, length] = bar.handleSpan();
        QCOMPARE(length, 20);
        QCOMPARE(top, int(qint64(300 - 20) * value / 100000));
        QStyleOptionSlider option;
        option.initFrom(&bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar.minimum();
        option.maximum = bar.maximum();
        option.sliderPosition = bar.sliderPosition();
        option.sliderValue = bar.value();
        option.pageStep = bar.pageStep();
        option.singleStep = bar.singleStep();
        option.subControls = QStyle::SC_All;
        const QRect grip = bar.style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                       QStyle::SC_ScrollBarSlider, &bar);
        QCOMPARE(grip, QRect(0, top, 11, length));
        const QImage img = kit::grabbed(&bar);
        QVERIFY(kit::near(img.pixelColor(5, top + length / 2), QColor(108, 177, 207)));
    }
    // Pressed in the middle of the painted handle and moved, it drags.
    bar.setValue(0);
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 10));
    QVERIFY(bar.isSliderDown());
    QMouseEvent move(QEvent::MouseMove, QPoint(5, 150), bar.mapToGlobal(QPoint(5, 150)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &move);
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 150));
    QCOMPARE(bar.value(), int(qint64(140) * 100000 / 280));
    // A short list keeps the proportional handle.
    bar.setRange(0, 100);
    bar.setPageStep(200);
    bar.setValue(100);
    QCOMPARE(bar.handleSpan(), qMakePair(100, 200));
}

QTEST_MAIN(TestLabels)
#include "tst_labels.moc"
