// The image button: cutting its sheet, the picture chosen per state, its captions.
#include "OctImgBtn.h"
#include "WidgetTestKit.h"

#include <QSignalSpy>
#include <QTest>

namespace {
// Rows: normal, hover, pressed, disabled; columns: unchecked, checked.
const QVector<QColor> kEight{Qt::red,  Qt::green,   Qt::blue, Qt::yellow,
                             Qt::cyan, Qt::magenta, Qt::gray, Qt::darkGreen};

}  // namespace

class TestOctImgBtn : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checkableSheetOfFourRows();
    void plainButtonTakesWholeSheetWidth();
    void twoRowSheet();
    void oneRowLeavesOtherStatesEmpty();
    void sheetHeightNotMultipleOfRows();
    void disabledWinsOverPressedAndHover();
    void captionsFollowCheckState();
    void wholeRectangleIsClickable();
    void sameFamilySameSize();
};

void TestOctImgBtn::checkableSheetOfFourRows()
{
    OctImgBtn b;
    b.setCheckable(true);
    b.setImages(kit::solidSheet(10, 6, 2, 4, kEight), 4);
    QCOMPARE(b.size(), QSize(10, 6));
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::red));  // unchecked normal
    kit::enter(&b);
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::blue));  // unchecked hover
    b.setDown(true);
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::cyan));  // unchecked pressed
    b.setDown(false);
    kit::leave(&b);
    b.setChecked(true);
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::green));  // checked normal
    kit::enter(&b);
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::yellow));  // checked hover
    b.setDown(true);
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::magenta));  // checked pressed
    b.setDown(false);
    b.setEnabled(false);
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::darkGreen));  // checked disabled
    b.setChecked(false);
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::gray));  // unchecked disabled
}

void TestOctImgBtn::plainButtonTakesWholeSheetWidth()
{
    OctImgBtn b;  // not checkable: both columns make one picture
    b.setImages(kit::solidSheet(10, 6, 2, 4, kEight), 4);
    QCOMPARE(b.size(), QSize(20, 6));
    QCOMPARE(kit::pixel(&b, 2, 3), QColor(Qt::red));
    QCOMPARE(kit::pixel(&b, 17, 3), QColor(Qt::green));
    QVERIFY(b.picture(true, OctImgBtn::Normal).isNull());
}

void TestOctImgBtn::twoRowSheet()
{
    OctImgBtn b;
    b.setImages(kit::solidSheet(8, 5, 1, 2, {Qt::red, Qt::blue}), 2);
    QCOMPARE(b.size(), QSize(8, 5));
    QCOMPARE(b.picture(false, OctImgBtn::Hover).toImage().pixelColor(0, 0), QColor(Qt::blue));
    QVERIFY(b.picture(false, OctImgBtn::Pressed).isNull());
    QVERIFY(b.picture(false, OctImgBtn::Disabled).isNull());
}

void TestOctImgBtn::oneRowLeavesOtherStatesEmpty()
{
    OctImgBtn b;
    b.setCheckable(true);
    b.setImages(kit::solidSheet(8, 5, 2, 1, {Qt::red, Qt::green}), 1);
    QCOMPARE(b.size(), QSize(8, 5));
    QVERIFY(!b.picture(false, OctImgBtn::Normal).isNull());
    QVERIFY(!b.picture(true, OctImgBtn::Normal).isNull());
    for (auto look : {OctImgBtn::Hover, OctImgBtn::Pressed, OctImgBtn::Disabled}) {
        QVERIFY(b.picture(false, look).isNull());
        QVERIFY(b.picture(true, look).isNull());
    }
    // Hovered, the button draws no picture: only the background shows.
    kit::enter(&b);
    QVERIFY(kit::pixel(&b, 4, 2) != QColor(Qt::red));
}

void TestOctImgBtn::sheetHeightNotMultipleOfRows()
{
    OctImgBtn b;
    b.setImages(kit::solidSheet(8, 5, 1, 4, kEight.mid(0, 4)).copy(0, 0, 8, 19), 4);
    QCOMPARE(b.size(), QSize(8, 4));  // 19 / 4 truncated
}

void TestOctImgBtn::disabledWinsOverPressedAndHover()
{
    OctImgBtn b;
    b.setImages(kit::solidSheet(10, 6, 1, 4, {Qt::red, Qt::green, Qt::blue, Qt::yellow}), 4);
    kit::enter(&b);
    b.setDown(true);
    QCOMPARE(b.currentLook(), OctImgBtn::Pressed);  // pressed wins over hover
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::blue));
    b.setEnabled(false);
    QCOMPARE(b.currentLook(), OctImgBtn::Disabled);
    QCOMPARE(kit::pixel(&b, 5, 3), QColor(Qt::yellow));
}

void TestOctImgBtn::captionsFollowCheckState()
{
    OctImgBtn b;
    b.setCheckable(true);
    b.setImages(kit::solidSheet(60, 24, 2, 4, QVector<QColor>(8, Qt::white)), 4);
    b.setTexts(QStringLiteral("截断"), QString());
    QPalette pal = b.palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    b.setPalette(pal);
    const auto inked = [&b] {
        const QImage img = kit::grabbed(&b);
        int dark = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                dark += qGray(img.pixel(x, y)) < 128;
        return dark;
    };
    QVERIFY(inked() > 10);  // the unchecked caption is drawn (as glyphs, not nothing)
    QCOMPARE(kit::pixel(&b, 1, 1), QColor(Qt::white));  // centred, away from the corner
    b.setChecked(true);
    QCOMPARE(inked(), 0);  // the checked caption is empty
    QCOMPARE(b.text(), QString());
}

void TestOctImgBtn::wholeRectangleIsClickable()
{
    OctImgBtn b;
    b.setCheckable(true);
    b.setImages(kit::solidSheet(40, 20, 2, 4, kEight), 4);
    QSignalSpy toggled(&b, &QCheckBox::toggled);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(38, 18));
    QCOMPARE(toggled.count(), 1);
    QVERIFY(b.isChecked());
}

void TestOctImgBtn::sameFamilySameSize()
{
    OctImgBtn edit, split;
    edit.setCheckable(true);
    edit.setImages(QPixmap(QStringLiteral(":/images/btn-PlotCtrlView-check.png")), 4);
    split.setImages(QPixmap(QStringLiteral(":/images/btn-PlotCtrlView-press.png")), 4);
    QCOMPARE(edit.size(), QSize(35, 20));
    QCOMPARE(split.size(), edit.size());
}

QTEST_MAIN(TestOctImgBtn)
#include "tst_octimgbtn.moc"
