#include "IVideo.h"

#include <QPainter>

IVideo::IVideo(QWidget* parent) : QWidget(parent) {}

void IVideo::pushFrame(FramePicture*) {}
void IVideo::setAspect(float) {}
void IVideo::setDisplay(int, int, int, bool) {}
void IVideo::resetClock() {}

void IVideo::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}
