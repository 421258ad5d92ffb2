#include "WeiboNote.h"

#include <QPainter>

WeiboNote::WeiboNote(QWidget* parent) : QLabel(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void WeiboNote::addCount(int n)
{
    number += n;
    if (number == 0) {
        shown = false;
        hide();
        return;
    }
    if (!shown) {
        shown = true;
        show();
    }
    update();
}

void WeiboNote::clearCount()
{
    number = 0;
    shown = false;
    hide();
}

void WeiboNote::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    painter.drawText(rect(), Qt::AlignRight, countText());
}
