// Every interface picture is compiled in under ":/images/" at the size the widgets cut it to.
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTest>

namespace {
struct Picture {
    const char* name;
    int w, h, cols, rows;
};
const Picture kPictures[] = {
    {"btn-PlotCtrlView-check.png", 70, 80, 2, 4},
    {"btn-PlotCtrlView-press.png", 35, 80, 1, 4},
    {"btn-recctrl-check.png", 178, 104, 2, 4},
    {"btn-help-press.png", 19, 72, 1, 4},
    {"btn-matshow-press.png", 19, 72, 1, 4},
    {"btn-wikipauser-check.png", 42, 84, 2, 4},
    {"btn-wikistopper-press.png", 21, 84, 1, 4},
    {"bg-tab-chrome.png", 171, 192, 1, 4},
    {"bg-tab-chrome-right.png", 180, 192, 1, 4},
    {"bg-float-control-left.png", 17, 90, 0, 0},
    {"bg-float-control.png", 5, 90, 0, 0},
    {"bg-float-control-right.png", 17, 90, 0, 0},
    {"bg-tab-dot.png", 21, 84, 1, 4},
    {"bg-tab-mat.png", 99, 152, 1, 4},
    {"bg-tab-mat0.png", 100, 152, 1, 4},
    {"bg-tab-mat1.png", 99, 152, 1, 4},
    {"bg-tab-mat2.png", 100, 152, 1, 4},
    {"bg-export-pointer.png", 15, 12, 0, 0},
    {"btn-import-press.png", 65, 104, 1, 4},
    {"btn-download-check.png", 222, 104, 2, 4},
    {"bg-matnum.png", 20, 32, 0, 0},
    {"btn-popdlg.png", 80, 104, 1, 4},
    {"bg-export-wndicon.png", 146, 32, 0, 0},
    {"btn-exporter-export.png", 80, 104, 1, 4},
    {"btn-exporter-cancel.png", 80, 104, 1, 4},
    {"btn-exporter-scan.png", 68, 84, 1, 4},
    {"bg-volslider-normal.png", 1, 4, 0, 0},
    {"bg-volslider-light.png", 1, 4, 0, 0},
    {"bg-volslider-seeker.png", 6, 14, 0, 0},
    {"bg-wikislider-normal.png", 1, 8, 0, 0},
    {"bg-wikislider-light.png", 1, 8, 0, 0},
    {"bg-wikislider-seeker.png", 11, 20, 0, 0},
    {"bg-balloon-tip.png", 72, 27, 0, 0},
    {"bg-echorascrollbar-begin.png", 11, 3, 0, 0},
    {"bg-echorascrollbar-mid.png", 11, 1, 0, 0},
    {"bg-echorascrollbar-end.png", 11, 3, 0, 0},
    {"bg-echorascrollbar-btnbegin.png", 11, 4, 0, 0},
    {"bg-echorascrollbar-btnmid.png", 11, 1, 0, 0},
    {"bg-echorascrollbar-btnend.png", 11, 3, 0, 0},
    {"recvol000.png", 19, 13, 0, 0},
    {"recvol025.png", 19, 13, 0, 0},
    {"recvol050.png", 19, 13, 0, 0},
    {"recvol075.png", 19, 13, 0, 0},
    {"recvol100.png", 20, 13, 0, 0},
    {"volumer000.png", 22, 22, 0, 0},
    {"volumer025.png", 22, 22, 0, 0},
    {"volumer050.png", 22, 22, 0, 0},
    {"volumer075.png", 22, 22, 0, 0},
    {"volumer100.png", 22, 22, 0, 0},
    {"loadingmask.gif", 295, 485, 0, 0},
};
}  // namespace

class TestResources : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pictureSize_data();
    void pictureSize();
    void sheetsCutIntoWholeCells_data();
    void sheetsCutIntoWholeCells();
    void iconHoldsSeveralSizes();
    void loadingAnimationIsAnimated();
    void levelIconsComeInFiveLevels();
};

void TestResources::pictureSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");
    for (const Picture& p : kPictures)
        QTest::newRow(p.name) << QString::fromLatin1(p.name) << QSize(p.w, p.h) << p.cols << p.rows;
}

void TestResources::sheetsCutIntoWholeCells_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");
    for (const Picture& p : kPictures) {
        if (p.cols > 0)  // the sheets cut into cells
            QTest::newRow(p.name) << QString::fromLatin1(p.name) << QSize(p.w, p.h) << p.cols
                                  << p.rows;
    }
}

void TestResources::pictureSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QImageReader reader(QStringLiteral(":/images/") + name);
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    QCOMPARE(reader.read().size(), size);
}

void TestResources::sheetsCutIntoWholeCells()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(int, cols);
    QFETCH(int, rows);
    QCOMPARE(size.width() % cols, 0);
    QCOMPARE(size.height() % rows, 0);
    // Every cell has something drawn in it: no state is left blank by accident.
    const QImage image =
        QImage(QStringLiteral(":/images/") + name).convertToFormat(QImage::Format_ARGB32);
    const int cw = size.width() / cols, ch = size.height() / rows;
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < rows; ++r) {
            int opaque = 0;
            for (int y = r * ch; y < (r + 1) * ch; ++y)
                for (int x = c * cw; x < (c + 1) * cw; ++x)
                    opaque += qAlpha(image.pixel(x, y)) > 128;
            QVERIFY2(opaque > cw * ch / 20, qPrintable(QStringLiteral("cell %1,%2").arg(c).arg(r)));
        }
    }
}

void TestResources::iconHoldsSeveralSizes()
{
    QImageReader reader(QStringLiteral(":/images/Echora.ico"));
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    QCOMPARE(reader.format(), QByteArray("ico"));
    QSet<int> sizes;
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QCOMPARE(image.width(), image.height());
        sizes.insert(image.width());
    }
    for (int s : {16, 32, 48, 256})
        QVERIFY2(sizes.contains(s), qPrintable(QString::number(s)));
}

void TestResources::loadingAnimationIsAnimated()
{
    QImageReader reader(QStringLiteral(":/images/loadingmask.gif"));
    QCOMPARE(reader.format(), QByteArray("gif"));
    QVERIFY(reader.supportsAnimation());
    QVERIFY(reader.imageCount() > 1);
    const QImage first = reader.read();
    QVERIFY(reader.nextImageDelay() > 0);
    const QImage second = reader.read();
    QCOMPARE(second.size(), QSize(295, 485));
    QVERIFY(first != second);
}

void TestResources::levelIconsComeInFiveLevels()
{
    // Levels differ from each other: the icon tells the level at a glance.
    for (const char* base : {"recvol", "volumer"}) {
        QSet<qint64> seen;
        for (const char* level : {"000", "025", "050", "075", "100"}) {
            const QImage image(
                QStringLiteral(":/images/%1%2.png").arg(QLatin1String(base), QLatin1String(level)));
            QVERIFY(!image.isNull());
            seen.insert(qint64(qHashBits(image.constBits(), size_t(image.sizeInBytes()))));
        }
        QCOMPARE(seen.size(), 5);
    }
}

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
