#include "VolSlider.h"

VolSlider::VolSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    connect(this, &QSlider::valueChanged, this, &VolSlider::doValChanged);
}

void VolSlider::doValChanged(int value)
{
    const int span = maximum() - minimum();
    Q_EMIT sigPercChanged(span == 0 ? 0.0f : float(value - minimum()) / float(span));
}
