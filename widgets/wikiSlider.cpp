#include "wikiSlider.h"

#include <QMouseEvent>
#include <QPainter>

wikiSlider::wikiSlider(QWidget* parent) : QWidget(parent) { setMinimumHeight(12); }

void wikiSlider::setProgress(float fraction)
{
    progress = fraction;
    update();
}

void wikiSlider::setPositionHandler(PositionHandler h) { handler = h; }
void wikiSlider::setHandlerObject(QObject* r) { receiver = r; }

void wikiSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->buttons() != Qt::LeftButton || !receiver || !handler || width() <= 0)
        return;
    (receiver->*handler)(float(event->position().x()) / float(width()));
}

void wikiSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(40, 40, 40));
    painter.fillRect(QRectF(0, 0, progress * float(width()), height()), QColor(108, 177, 207));
}
