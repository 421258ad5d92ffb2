#include "EchoraScrollBar.h"

#include "Picture.h"

#include <QPainter>
#include <QStyleOptionSlider>

EchoraScrollBar::EchoraScrollBar(QWidget* parent)
    : QScrollBar(Qt::Vertical, parent),
      trackTop(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-begin.png"))),
      trackMid(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-mid.png"))),
      trackEnd(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-end.png"))),
      handleTop(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-btnbegin.png"))),
      handleMid(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-btnmid.png"))),
      handleEnd(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-btnend.png"))),
      hint(trackMid.width(), height())
{
}

QSize EchoraScrollBar::sizeHint() const { return hint; }

QPair<int, int> EchoraScrollBar::handleSpan() const
{
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const qint64 range = qint64(opt.pageStep) + opt.maximum - opt.minimum;
    if (range <= 0)
        return {0, 0};
    const int length = int(qint64(height()) * opt.pageStep / range);
    const int top = int(qint64(height()) * (opt.sliderPosition - opt.minimum) / range);
    return {top, length};
}

void EchoraScrollBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), Qt::white);
    painter.drawPixmap(0, 0, trackTop);
    painter.drawPixmap(QRect(0, trackTop.height(), w, h - trackTop.height() - trackEnd.height()),
                       trackMid);
    painter.drawPixmap(0, h - trackEnd.height(), trackEnd);

    const auto [top, length] = handleSpan();
    if (length <= 0)
        return;
    painter.drawPixmap(0, top, handleTop);
    painter.drawPixmap(
        QRect(0, top + handleTop.height(), w, length - handleTop.height() - handleEnd.height()),
        handleMid);
    painter.drawPixmap(0, top + length - handleEnd.height(), handleEnd);
}
