#include "wikiSlider.h"

#include "Picture.h"
#include "SliderGeometry.h"

#include <QMouseEvent>
#include <QPainter>

wikiSlider::wikiSlider(QWidget* parent)
    : QWidget(parent),
      trackPic(Picture::pixmap(QStringLiteral(":/images/bg-wikislider-normal.png"))),
      filledPic(Picture::pixmap(QStringLiteral(":/images/bg-wikislider-light.png"))),
      knobPic(Picture::pixmap(QStringLiteral(":/images/bg-wikislider-seeker.png")))
{
    setMinimumHeight(knobPic.height());
}

void wikiSlider::setProgress(float fraction)
{
    const SliderGeometry g(size(), knobPic.size(), trackPic.height());
    filled = int(fraction * float(g.trackLength));
    update();
}

void wikiSlider::setPositionHandler(PositionHandler h) { handler = h; }
void wikiSlider::setHandlerObject(QObject* r) { receiver = r; }

void wikiSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->buttons() != Qt::LeftButton || !receiver || !handler)
        return;
    const SliderGeometry g(size(), knobPic.size(), trackPic.height());
    const QPoint p = event->position().toPoint();
    if (g.trackLength <= 0 || p.x() < g.half || p.x() > g.trackLength + g.half ||
        p.y() < g.barTop || p.y() > g.barTop + trackPic.height())
        return;
    (receiver->*handler)(float(p.x() - g.half) / float(g.trackLength));
}

void wikiSlider::paintEvent(QPaintEvent*)
{
    const SliderGeometry g(size(), knobPic.size(), trackPic.height());
    QPainter painter(this);
    painter.drawPixmap(QRect(g.half, g.barTop, g.trackLength, trackPic.height()), trackPic);
    painter.drawPixmap(QRect(g.half, g.barTop, filled + 1, trackPic.height()), filledPic);
    painter.drawPixmap(filled, g.knobTop, knobPic);
}
