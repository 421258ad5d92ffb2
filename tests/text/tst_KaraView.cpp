// The karaoke line: layout of the wrapped rows and colouring by progress, read back from
// grabbed pictures of a real KaraView.
#include "InterfaceFonts.h"
#include "KaraView.h"
#include "TestSupport.h"
#include "TextTabsSetup.h"

#include <QtTest>

using texttest::countInk;
using texttest::Ink;
using texttest::inkOf;

namespace {
const QString kTwoRows = QStringLiteral(
    "Every morning I walk to the station, buy a newspaper and a cup of coffee, then read "
    "quietly on the train until we arrive in the city centre.\n");
const QString kChinese =
    QStringLiteral("我们每天早上七点起床，吃完早饭以后一起走路去学校。"
                   "今天的天气非常好，老师带我们去公园里上了一节有趣的英语课\r\n");
const QString kAccented = QStringLiteral(
    "Déjà vu: the naïve café owner served crème brûlée and piña colada to the señoras of "
    "Zürich, façade après façade.\n");
const QString kLongWord = QStringLiteral("Supercalifragilisticexpialidocious").repeated(3);
// The last sentence of the Gettysburg Address, as in the bundled material: far more rows than
// the line image holds.
const QString kGettysburg = QStringLiteral(
    "It is rather for us to be here dedicated to the great task remaining before us, that from "
    "these honored dead we take increased devotion to that cause for which they gave the last "
    "full measure of devotion, that we here highly resolve that these dead shall not have died "
    "in vain, that this nation, under God, shall have a new birth of freedom, and that "
    "government of the people, by the people, for the people, shall not perish from the "
    "earth.\n");

// The middle third of the view, where the current line is shown.
QImage middleRow(KaraView& kara)
{
    return kara.grab().toImage().copy(0, KaraView::kHeight / 3, KaraView::kWidth,
                                      KaraView::kLineHeight);
}

// Checks the colours of the current line at progress `fraction` against the row extents:
// rows wholly spoken are green, rows not reached magenta, and in the row where the spoken
// part ends the colour changes exactly at the expected column. No letter stays white.
void checkColouring(KaraView& kara, float fraction)
{
    kara.setProgress(fraction);
    const QImage img = middleRow(kara);
    long long spoken = static_cast<long long>(double(kara.totalWidth()) * double(fraction));
    bool sawBoundary = false;
    for (const QRect& seg : kara.segments()) {
        const QRect band(0, seg.top(), KaraView::kWidth, seg.height());
        const texttest::InkCount c = countInk(img, band);
        QCOMPARE(c.white, 0);
        QVERIFY2(c.total() > 0, "every row of the line has ink");
        if (spoken >= seg.width()) {
            QCOMPARE(c.magenta, 0);
            QVERIFY(c.green > 0);
            spoken -= seg.width();
        } else if (spoken > 0) {
            const int boundary = seg.left() + int(spoken);
            int left = 0, right = 0;
            for (int y = band.top(); y <= band.bottom(); ++y) {
                for (int x = 0; x < KaraView::kWidth; ++x) {
                    const Ink ink = inkOf(img.pixel(x, y));
                    if (ink == Ink::Green) {
                        QVERIFY2(
                            x < boundary,
                            qPrintable(QStringLiteral("green at %1, end %2").arg(x).arg(boundary)));
                        ++left;
                    } else if (ink == Ink::Magenta) {
                        QVERIFY2(x >= boundary,
                                 qPrintable(
                                     QStringLiteral("magenta at %1, end %2").arg(x).arg(boundary)));
                        ++right;
                    }
                }
            }
            QVERIFY(left > 0);
            QVERIFY(right > 0);
            sawBoundary = true;
            spoken = 0;
        } else {
            QCOMPARE(c.green, 0);
            QVERIFY(c.magenta > 0);
        }
    }
    if (fraction > 0.05f && fraction < 0.95f)
        QVERIFY2(sawBoundary, "the spoken part ends inside a row");
}

// Checks that the ink of every row lies in its segment: the layout that decides the colours
// agrees with the drawing, whatever the script.
void checkInkInsideSegments(KaraView& kara)
{
    kara.setProgress(1);
    const QImage img = middleRow(kara);
    const auto& segs = kara.segments();
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (inkOf(img.pixel(x, y)) == Ink::None)
                continue;
            bool inside = false;
            for (const QRect& seg : segs)
                inside = inside || (y >= seg.top() && y <= seg.bottom());
            QVERIFY2(inside, qPrintable(QStringLiteral("ink below the rows at y %1").arg(y)));
        }
    }
    constexpr int kSlack = 3;
    for (const QRect& seg : segs) {
        int minX = KaraView::kWidth, maxX = -1;
        for (int y = seg.top(); y <= std::min(seg.bottom(), img.height() - 1); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                if (inkOf(img.pixel(x, y)) != Ink::None) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
            }
        }
        QVERIFY(maxX >= 0);
        const QString where = QStringLiteral("ink %1..%2, segment %3..%4")
                                  .arg(minX)
                                  .arg(maxX)
                                  .arg(seg.left())
                                  .arg(seg.right());
        QVERIFY2(minX >= seg.left() - kSlack && minX <= seg.left() + kSlack, qPrintable(where));
        QVERIFY2(maxX <= seg.right() + kSlack && maxX >= seg.right() - kSlack, qPrintable(where));
    }
}
}  // namespace

class TestKaraView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Rows and widths depend on the faces behind the interface's font names.
        const QString fonts = testsupport::interfaceFontProblem();
        QVERIFY2(fonts.isEmpty(), qPrintable(fonts));
    }

    void colouringAtTheEnds()
    {
        KaraView kara;
        kara.setLines(kTwoRows, QString(), QString());
        // A new line starts unspoken.
        ECHORA_CHECKED(checkAllInk(middleRow(kara), false));
        kara.setProgress(0);
        ECHORA_CHECKED(checkAllInk(middleRow(kara), false));
        kara.setProgress(1);
        ECHORA_CHECKED(checkAllInk(middleRow(kara), true));
        // Out-of-range and undefined fractions are clamped, not drawn from garbage.
        kara.setProgress(1.7f);
        ECHORA_CHECKED(checkAllInk(middleRow(kara), true));
        kara.setProgress(-0.4f);
        ECHORA_CHECKED(checkAllInk(middleRow(kara), false));
        kara.setProgress(std::numeric_limits<float>::quiet_NaN());
        ECHORA_CHECKED(checkAllInk(middleRow(kara), false));
    }

    void twoRowsAtThreeQuarters()
    {
        KaraView kara;
        kara.setLines(kTwoRows, QString(), QString());
        const auto& segs = kara.segments();
        QCOMPARE(int(segs.size()), 2);
        QVERIFY2(double(segs[0].width()) < 0.75 * kara.totalWidth(),
                 "the first row holds less than three quarters of the line");
        QCOMPARE(kara.totalWidth(), unsigned(segs[0].width() + segs[1].width()));
        QVERIFY(segs[1].top() >= segs[0].bottom() + 1);  // rows do not share pixel rows
        ECHORA_CHECKED(checkColouring(kara, 0.75f));
        // The first row is wholly green, and so is the start of the second.
        const QImage img = middleRow(kara);
        const texttest::InkCount first =
            countInk(img, QRect(0, segs[0].top(), KaraView::kWidth, segs[0].height()));
        QVERIFY(first.green > 0);
        QCOMPARE(first.magenta, 0);
        ECHORA_CHECKED(checkColouring(kara, 0.3f));
        ECHORA_CHECKED(checkColouring(kara, 0.5f));
    }

    void realCharactersAreMeasured_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");
        QTest::newRow("english") << kTwoRows << 2;
        QTest::newRow("chinese") << kChinese << 2;
        QTest::newRow("accented") << kAccented << 2;
        QTest::newRow("long word") << kLongWord << 2;
        QTest::newRow("short") << QStringLiteral("Good morning.\n") << 1;
    }

    void realCharactersAreMeasured()
    {
        QFETCH(QString, text);
        QFETCH(int, rows);
        KaraView kara;
        kara.setLines(text, QString(), QString());
        QCOMPARE(int(kara.segments().size()), rows);
        for (const QRect& seg : kara.segments()) {
            QVERIFY(seg.left() >= 0);
            QVERIFY(seg.right() < KaraView::kWidth);
            QVERIFY(seg.width() > 0);
        }
        ECHORA_CHECKED(checkInkInsideSegments(kara));
        ECHORA_CHECKED(checkColouring(kara, 0.2f));
        ECHORA_CHECKED(checkColouring(kara, 0.5f));
        ECHORA_CHECKED(checkColouring(kara, 0.85f));
    }

    void longWordBreaksAtTheEdge()
    {
        KaraView kara;
        kara.setLines(kLongWord, QString(), QString());
        const auto& segs = kara.segments();
        QCOMPARE(int(segs.size()), 2);
        // The first row is filled up to the edge: the break comes where the word reaches it.
        QVERIFY2(segs[0].width() > KaraView::kWidth - 30,
                 qPrintable(QString::number(segs[0].width())));
        kara.setProgress(1);
        const QImage img = middleRow(kara);
        // Nothing is cut off at the sides.
        for (int y = 0; y < img.height(); ++y) {
            QCOMPARE(inkOf(img.pixel(0, y)), Ink::None);
            QCOMPARE(inkOf(img.pixel(img.width() - 1, y)), Ink::None);
        }
    }

    void lineBreaksInTheText()
    {
        KaraView kara;
        kara.setLines(QStringLiteral("Hello there\r\n"), QString(), QString());
        QCOMPARE(int(kara.segments().size()), 1);
        const int withBreak = kara.segments().front().width();
        kara.setLines(QStringLiteral("Hello there"), QString(), QString());
        QCOMPARE(kara.segments().front().width(), withBreak);
        // Leading and trailing blanks do not shift the centred line or take spoken time.
        kara.setLines(QStringLiteral("   Hello there \t\n"), QString(), QString());
        QCOMPARE(kara.segments().front().width(), withBreak);
        // A bare carriage return inside a text (a file with old Mac line ends) is a row break.
        kara.setLines(QStringLiteral("First line\rSecond line\n"), QString(), QString());
        QCOMPARE(int(kara.segments().size()), 2);
        ECHORA_CHECKED(checkColouring(kara, 0.5f));
    }

    void emptyLine()
    {
        KaraView kara;
        kara.setLines(kTwoRows, QString(), QString());
        kara.setLines(QString(), QString(), QString());
        QCOMPARE(int(kara.segments().size()), 1);
        QCOMPARE(kara.segments().front().width(), 0);
        QCOMPARE(kara.totalWidth(), 0u);
        QVERIFY(kara.rowHeight() > 0);
        kara.setProgress(0.5f);
        QCOMPARE(countInk(middleRow(kara), QRect(0, 0, KaraView::kWidth, 80)).total(), 0);
        kara.setProgress(1);
        QCOMPARE(countInk(kara.grab().toImage(), kara.rect()).total(), 0);
    }

    void longSentenceKeepsTheSpokenRowInView()
    {
        KaraView kara;
        kara.setLines(kGettysburg, QString(), QString());
        const auto& segs = kara.segments();
        QVERIFY2(segs.back().bottom() >= KaraView::kLineHeight, "the sentence fits anyway");
        constexpr int kSteps = 40;
        for (int step = 0; step <= kSteps; ++step) {
            const float fraction = float(step) / kSteps;
            kara.setProgress(fraction);
            const QImage img = middleRow(kara);
            const texttest::InkCount c = countInk(img, img.rect());
            const QString at = QStringLiteral("at %1").arg(double(fraction));
            // What is spoken and what is still to come are both in sight until the end.
            QVERIFY2(c.magenta > 0 || step == kSteps, qPrintable(at));
            QVERIFY2(c.green > 0 || step == 0, qPrintable(at));
            QCOMPARE(c.white, 0);

            // The row the spoken part ends in is shown whole, and its colours change exactly
            // at the end of the spoken part.
            const int top = segs[std::size_t(kara.firstShownRow())].top();
            long long spoken = static_cast<long long>(double(kara.totalWidth()) * fraction);
            std::size_t row = 0;
            while (row + 1 < segs.size() && spoken >= segs[row].width()) {
                spoken -= segs[row].width();
                ++row;
            }
            const QRect band(0, segs[row].top() - top, KaraView::kWidth, segs[row].height());
            QVERIFY2(band.top() >= 0 && band.bottom() < KaraView::kLineHeight, qPrintable(at));
            const int boundary = segs[row].left() + int(spoken);
            const texttest::InkCount before =
                countInk(img, QRect(0, band.top(), boundary - 1, band.height()));
            const texttest::InkCount after =
                countInk(img, QRect(boundary + 1, band.top(), KaraView::kWidth, band.height()));
            QCOMPARE(before.magenta, 0);
            QCOMPARE(after.green, 0);
            QVERIFY2(before.green + after.magenta > 0, qPrintable(at));
        }
        // No row is cut by the bottom edge: the lowest pixel rows of the line are empty or the
        // ink of a whole row ends above them.
        kara.setProgress(0.5f);
        const QImage img = middleRow(kara);
        const int top = segs[std::size_t(kara.firstShownRow())].top();
        for (const QRect& seg : segs) {
            const int y0 = seg.top() - top;
            const int y1 = seg.bottom() - top;
            if (y1 < 0 || y0 >= KaraView::kLineHeight)
                continue;
            if (y0 < 0 || y1 >= KaraView::kLineHeight)
                QCOMPARE(countInk(img, QRect(0, y0, KaraView::kWidth, seg.height())).total(), 0);
        }
    }

    void neighbourRows()
    {
        KaraView kara;
        const QRect top(0, 0, KaraView::kWidth, KaraView::kHeight / 3);
        const QRect bottom(0, 2 * KaraView::kHeight / 3, KaraView::kWidth, KaraView::kHeight / 3);
        kara.setLines(QStringLiteral("Now we speak.\n"), QString(), QString());
        QVERIFY(!kara.neighboursShown());
        QImage img = kara.grab().toImage();
        QCOMPARE(countInk(img, top).total(), 0);
        QCOMPARE(countInk(img, bottom).total(), 0);
        QVERIFY(countInk(img, QRect(0, 80, 640, 80)).magenta > 0);

        kara.setLines(QStringLiteral("Now we speak.\n"), QStringLiteral("Before that.\n"),
                      QStringLiteral("After that.\n"));
        QVERIFY(kara.neighboursShown());
        img = kara.grab().toImage();
        int prevInk = 0, nextInk = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                if (qGreen(p) >= 120 && qRed(p) < 30 && qBlue(p) < 30) {
                    QVERIFY(top.contains(x, y));
                    ++prevInk;
                }
                if (qRed(p) >= 120 && qBlue(p) >= 120 && qGreen(p) < 30 && y < 80)
                    QFAIL("the previous sentence is not magenta");
                if (qRed(p) >= 120 && qBlue(p) >= 120 && qGreen(p) < 30 && bottom.contains(x, y))
                    ++nextInk;
            }
        }
        QVERIFY(prevInk > 0);
        QVERIFY(nextInk > 0);
        QCOMPARE(countInk(img, bottom).green, 0);

        // Only one neighbour: the other row is black.
        kara.setLines(QStringLiteral("Now.\n"), QString(), QStringLiteral("Later.\n"));
        img = kara.grab().toImage();
        QCOMPARE(countInk(img, top).total(), 0);
        QVERIFY(countInk(img, bottom).magenta > 0);

        // Without neighbours the rows go, instead of showing sentences no longer adjacent.
        kara.setLines(QStringLiteral("Now we speak.\n"), QString(), QString());
        QVERIFY(!kara.neighboursShown());
        img = kara.grab().toImage();
        QCOMPARE(countInk(img, top).total(), 0);
        QCOMPARE(countInk(img, bottom).total(), 0);
    }

private:
    static void checkAllInk(const QImage& img, bool spoken)
    {
        const texttest::InkCount c = countInk(img, img.rect());
        QVERIFY(c.total() > 200);
        QCOMPARE(c.white, 0);
        QCOMPARE(c.other, 0);
        if (spoken)
            QCOMPARE(c.magenta, 0);
        else
            QCOMPARE(c.green, 0);
    }
};

QTEST_MAIN(TestKaraView)
#include "tst_KaraView.moc"
