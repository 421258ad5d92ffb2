#include "VolSlider.h"

#include "Picture.h"
#include "SliderGeometry.h"

#include <QMouseEvent>
#include <QPainter>

VolSlider::VolSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent),
      track(Picture::pixmap(QStringLiteral(":/images/bg-volslider-normal.png"))),
      filled(Picture::pixmap(QStringLiteral(":/images/bg-volslider-light.png"))),
      knob(Picture::pixmap(QStringLiteral(":/images/bg-volslider-seeker.png")))
{
    setMinimumHeight(knob.height());
    connect(this, &QSlider::valueChanged, this, &VolSlider::doValChanged);
}

void VolSlider::doValChanged(int value)
{
    const int span = maximum() - minimum();
    Q_EMIT sigPercChanged(span == 0 ? 0.0f : float(value - minimum()) / float(span));
}

int VolSlider::knobLeft() const
{
    const SliderGeometry g(size(), knob.size(), track.height());
    const int span = maximum() - minimum();
    const float fraction = span == 0 ? 0.0f : qBound(0.0f, float(value() - minimum()) / span, 1.0f);
    return int(fraction * float(g.trackLength));
}

void VolSlider::paintEvent(QPaintEvent*)
{
    const SliderGeometry g(size(), knob.size(), track.height());
    const int fill = knobLeft();
    QPainter painter(this);
    painter.drawPixmap(QRect(g.half, g.barTop, g.trackLength, track.height()), track);
    painter.drawPixmap(QRect(g.half, g.barTop, fill, filled.height()), filled);
    painter.drawPixmap(fill, g.knobTop, knob);
}

void VolSlider::jumpTo(QPoint pos)
{
    const SliderGeometry g(size(), knob.size(), track.height());
    const int x = pos.x() + 1;
    if (g.trackLength <= 0 || x < g.half || x > g.trackLength + g.half || pos.y() < g.knobTop ||
        pos.y() > g.knobTop + knob.height())
        return;
    setValue(int(float(x - g.half) / float(g.trackLength) * float(maximum() - minimum())) +
             minimum());
}

void VolSlider::mousePressEvent(QMouseEvent* event) { jumpTo(event->position().toPoint()); }

void VolSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::LeftButton)
        jumpTo(event->position().toPoint());
}
