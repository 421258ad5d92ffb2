#include "ExpProgBar.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {
const QColor kBackground(0xF7, 0xF7, 0xF7);
const QColor kOutline(0xB6, 0xCC, 0xDC);
const QColor kFillTop(0x6C, 0xB1, 0xCF);
const QColor kFillBottom(0x11, 0x71, 0xA3);
// Horizontal distance from each end where the rounded caps begin.
constexpr qreal kCap = 5;

// A capsule of width w and height h, shrunk by `inset` on every side.
QPainterPath capsule(qreal w, qreal h, qreal inset)
{
    QPainterPath path;
    path.moveTo(kCap, inset);
    path.lineTo(w - kCap, inset);
    path.quadTo(w - inset, h / 2, w - kCap, h - inset);
    path.lineTo(kCap, h - inset);
    path.quadTo(inset, h / 2, kCap, inset);
    return path;
}
}  // namespace

ExpProgBar::ExpProgBar(QWidget* parent) : QProgressBar(parent) {}

QImage ExpProgBar::render() const
{
    const qreal w = width();
    const qreal h = height();
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const QPainterPath outline = capsule(w, h, 0);
    painter.setPen(kOutline);
    painter.drawPath(outline);

    // The filled part: the inner capsule up to the value's share of the bar.
    const QRectF box = outline.boundingRect();
    const int span = maximum() - minimum();
    const int reached = std::max(value(), minimum()) - minimum();
    const qreal share = span > 0 ? qreal(reached) / span : 0;
    QPainterPath filled;
    filled.addRect(QRectF(box.left(), box.top(), box.left() + box.width() * share, box.height()));
    filled = capsule(w, h, 1).intersected(filled);
    QLinearGradient gradient(0, 0, 0, h);
    gradient.setColorAt(0, kFillTop);
    gradient.setColorAt(1, kFillBottom);
    painter.setPen(Qt::NoPen);
    painter.fillPath(filled, gradient);

    painter.setPen(Qt::black);
    painter.setFont(font());
    painter.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, text());
    return image;
}

void ExpProgBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, render());
}
