// Reading the compiled-in pictures without Qt guessing their format: the result must be the
// picture Qt's own reading gives, every size of the program icon included, and damaged icon
// files must neither crash nor invent pictures.
#include "Picture.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QImage argb(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); }

QByteArray iconBytes()
{
    QFile file(QStringLiteral(":/images/Echora.ico"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putLittleEndian32(QByteArray& bytes, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((v >> (8 * i)) & 0xff);
}

// Index of the directory entry whose data is stored as PNG, or -1.
int pngEntryIndex(const QByteArray& ico)
{
    const int count = quint8(ico[4]) | (quint8(ico[5]) << 8);
    for (int i = 0; i < count; ++i) {
        const qsizetype dir = 6 + qsizetype(i) * 16;
        quint32 offset = 0;
        for (int b = 3; b >= 0; --b)
            offset = (offset << 8) | quint8(ico[dir + 12 + b]);
        if (ico.mid(offset, 4) == QByteArray("\x89PNG"))
            return i;
    }
    return -1;
}

QSet<int> iconSizes(const QIcon& icon)
{
    QSet<int> sizes;
    for (const QSize& s : icon.availableSizes())
        sizes.insert(s.width());
    return sizes;
}
}  // namespace

class TestPicture : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void samePicturesAsQtReads()
    {
        const QStringList names =
            QDir(QStringLiteral(":/images")).entryList({QStringLiteral("*.png")}, QDir::Files);
        QVERIFY(names.size() > 40);
        for (const QString& name : names) {
            const QString path = QStringLiteral(":/images/") + name;
            const QImage expected = argb(QImage(path));
            QVERIFY2(!expected.isNull(), qPrintable(name));
            QVERIFY2(argb(Picture::image(path)) == expected, qPrintable(name));
            // A pixmap holds its picture premultiplied, as QPixmap(path) does; the round trip
            // rounds semi-transparent pixels by the processor's conversion routine.
            QVERIFY2(argb(Picture::pixmap(path).toImage()) == argb(QPixmap(path).toImage()),
                     qPrintable(name));
        }
        // A sheet several buttons cut is read once and shared.
        const QString sheet = QStringLiteral(":/images/btn-wikipauser-check.png");
        QCOMPARE(Picture::pixmap(sheet).cacheKey(), Picture::pixmap(sheet).cacheKey());
    }

    void missingPicturesAreNull()
    {
        QVERIFY(Picture::image(QStringLiteral(":/images/none.png")).isNull());
        QVERIFY(Picture::pixmap(QStringLiteral(":/images/none.png")).isNull());
        QVERIFY(Picture::icon(QStringLiteral(":/images/none.ico")).isNull());
    }

    void programIconHoldsEverySize()
    {
        const QString path = QStringLiteral(":/images/Echora.ico");
        const QIcon icon = Picture::icon(path);
        QImageReader reader(path);
        QSet<int> expected;
        for (int i = 0; i < reader.imageCount(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            expected.insert(image.width());
            // Each size is the very picture the icon reader gives, the large one stored as
            // PNG inside the file included.
            QCOMPARE(argb(icon.pixmap(image.size()).toImage()),
                     argb(QPixmap::fromImage(image).toImage()));
        }
        QCOMPARE(iconSizes(icon), expected);
        QVERIFY(expected.contains(256));
        QVERIFY(pngEntryIndex(iconBytes()) >= 0);
    }

    void damagedIconFiles()
    {
        const QByteArray good = iconBytes();
        const int png = pngEntryIndex(good);
        QVERIFY(png >= 0);
        const QSet<int> all = iconSizes(Picture::icon(QStringLiteral(":/images/Echora.ico")));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto iconOf = [&](const QByteArray& bytes) {
            const QString path = dir.filePath(QStringLiteral("damaged.ico"));
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return QIcon();
            file.write(bytes);
            file.close();
            return Picture::icon(path);
        };
        const qsizetype entry = 6 + qsizetype(png) * 16;

        // The PNG entry points past the end, or claims more bytes than the file holds: that
        // size is missing, the others are read.
        QByteArray pastEnd = good;
        putLittleEndian32(pastEnd, entry + 12, quint32(good.size()) + 10);
        QSet<int> sizes = iconSizes(iconOf(pastEnd));
        QVERIFY(sizes.size() >= all.size() - 1);
        QVERIFY(sizes.size() <= all.size());
        QByteArray tooLong = good;
        putLittleEndian32(tooLong, entry + 8, 0xffffffffu);
        sizes = iconSizes(iconOf(tooLong));
        QVERIFY(sizes.size() <= all.size());
        QVERIFY(sizes.contains(16));

        // A file cut inside its directory, or holding nothing, gives no invented picture.
        for (const QByteArray& bytes : {good.left(40), good.left(6), QByteArray()}) {
            const QIcon icon = iconOf(bytes);
            for (const QSize& s : icon.availableSizes())
                QVERIFY(all.contains(s.width()));
        }
    }
};

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
