#include "PanelView.h"

#include "Picture.h"

#include <QPainter>

namespace {
constexpr int kCap = 17;     // width of either cap
constexpr int kCorner = 20;  // rows of the right cap the corner fill leaves alone
}  // namespace

PanelView::PanelView(QWidget* parent) : QWidget(parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setPictures(Picture::image(QStringLiteral(":/images/bg-float-control-left.png")),
                Picture::image(QStringLiteral(":/images/bg-float-control.png")),
                Picture::image(QStringLiteral(":/images/bg-float-control-right.png")));
}

void PanelView::setCornerFilled(bool filled)
{
    corner = filled;
    update();
}

void PanelView::setPictures(const QImage& left, const QImage& middle, const QImage& right)
{
    leftPicture = left;
    middlePicture = middle;
    rightPicture = right;
    update();
}

bool PanelView::hasPictures() const
{
    return !leftPicture.isNull() && !middlePicture.isNull() && !rightPicture.isNull();
}

void PanelView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    if (!hasPictures()) {
        // Without its pictures the panel still shows as a plain dark strip.
        painter.fillRect(rect(), QColor(24, 60, 84));
        return;
    }
    painter.drawImage(0, 0, leftPicture);
    painter.drawTiledPixmap(QRect(kCap, 0, w - 2 * kCap, h), QPixmap::fromImage(middlePicture));
    painter.drawImage(w - kCap, 0, rightPicture);
    if (corner && middlePicture.height() > kCorner) {
        const QRect from(0, kCorner, middlePicture.width(), middlePicture.height() - kCorner);
        const QRect to(w - kCap, kCorner, rightPicture.width(), middlePicture.height() - kCorner);
        painter.drawImage(to, middlePicture, from);
    }
}
