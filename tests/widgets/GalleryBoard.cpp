#include "GalleryBoard.h"

#include <QDir>
#include <QPainter>

namespace {
const int kPad = 10;
const int kLabelW = 150;
const int kCaptionH = 16;
}  // namespace

GalleryBoard::GalleryBoard(const QString& t, int s) : title(t), scale(s) {}

void GalleryBoard::row(const QString& label) { rows.append({label, {}}); }

void GalleryBoard::add(const QImage& picture, const QString& caption)
{
    if (rows.isEmpty())
        row(QString());
    rows.last().cells.append({picture, caption});
}

QString GalleryBoard::dir()
{
    const QString env = qEnvironmentVariable("ECHORA_GALLERY_DIR");
    return env.isEmpty() ? QDir::current().filePath(QStringLiteral("gallery")) : env;
}

QString GalleryBoard::save(const QString& fileName) const
{
    int width = 0, height = 40;
    for (const Row& r : rows) {
        int w = kLabelW, h = 0;
        for (const Cell& c : r.cells) {
            w += c.picture.width() * scale + kPad;
            h = qMax(h, c.picture.height() * scale + kCaptionH);
        }
        width = qMax(width, w + kPad);
        height += h + 2 * kPad;
    }
    QImage board(qMax(width, 400), height, QImage::Format_ARGB32);
    board.fill(QColor(238, 242, 245));
    QPainter p(&board);
    p.setPen(QColor(7, 53, 77));
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(kPad, 0, board.width(), 36), Qt::AlignVCenter, title);
    font.setPixelSize(11);
    font.setBold(false);
    int y = 40;
    for (const Row& r : rows) {
        int h = 0;
        for (const Cell& c : r.cells)
            h = qMax(h, c.picture.height() * scale + kCaptionH);
        p.setFont(font);
        p.setPen(QColor(7, 53, 77));
        p.drawText(QRect(kPad, y, kLabelW - kPad, h),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, r.label);
        int x = kLabelW;
        for (const Cell& c : r.cells) {
            const QSize s = c.picture.size() * scale;
            p.drawImage(QRect(QPoint(x, y), s), c.picture);  // nearest pixels: crisp enlargement
            p.setPen(QColor(90, 110, 122));
            p.drawText(QRect(x - 4, y + s.height(), s.width() + 8, kCaptionH), Qt::AlignCenter,
                       c.caption);
            x += s.width() + kPad;
        }
        y += h + 2 * kPad;
    }
    p.end();
    QDir().mkpath(dir());
    const QString path = QDir(dir()).filePath(fileName);
    return board.save(path) ? path : QString();
}
