#include "Picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>

#include <algorithm>

namespace {
void prepare(QImageReader& reader, const QString& path)
{
    reader.setFileName(path);
    reader.setFormat(QFileInfo(path).suffix().toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
}

QImage readPng(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

quint32 littleEndian32(const QByteArray& bytes, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(bytes[at + i]);
    return v;
}

// The bytes of entry `index` of an .ico file when that entry is stored as PNG (large sizes
// usually are), else nothing. Qt's icon reader passes such an entry to a reader that asks
// every image plugin first.
QByteArray pngEntry(const QByteArray& ico, int index)
{
    const qsizetype dir = 6 + qsizetype(index) * 16;
    if (dir + 16 > ico.size())
        return {};
    const quint32 size = littleEndian32(ico, dir + 8);
    const quint32 offset = littleEndian32(ico, dir + 12);
    if (offset > quint64(ico.size()) || size > quint64(ico.size()) - offset)
        return {};
    const QByteArray entry = ico.mid(offset, size);
    return entry.startsWith("\x89PNG\r\n\x1a\n") ? entry : QByteArray();
}
}  // namespace

QImage Picture::image(const QString& path)
{
    QImageReader reader;
    prepare(reader, path);
    return reader.read();
}

QPixmap Picture::pixmap(const QString& path)
{
    // Kept in the pixmap cache as QPixmap(path) would be: several buttons share one sheet.
    const QString key = QStringLiteral("echora-picture:") + path;
    QPixmap picture;
    if (QPixmapCache::find(key, &picture))
        return picture;
    picture = QPixmap::fromImage(image(path));
    if (!picture.isNull())
        QPixmapCache::insert(key, picture);
    return picture;
}

QIcon Picture::icon(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    const bool ico = format == "ico";
    QIcon icon;
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        const QByteArray png = ico ? pngEntry(bytes, i) : QByteArray();
        const QImage picture = png.isEmpty() ? reader.read() : readPng(png);
        if (!picture.isNull())
            icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}
