#include "PanelView.h"

#include <QPainter>

PanelView::PanelView(QWidget* parent) : QWidget(parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
}

void PanelView::setCornerFilled(bool filled)
{
    corner = filled;
    update();
}

void PanelView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(24, 60, 84));
}
