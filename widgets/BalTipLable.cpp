#include "BalTipLable.h"

#include "Picture.h"

#include <QPainter>

namespace {
BalTipLable* currentTip = nullptr;
}

BalTipLable::BalTipLable(const QString& text, QPoint anchor, QWidget* parent)
    : QLabel(text, parent), balloon(Picture::pixmap(QStringLiteral(":/images/bg-balloon-tip.png")))
{
    setFixedSize(balloon.size());
    move(anchor.x() - width() / 2, anchor.y() - height());
    delete currentTip;
    currentTip = this;
}

BalTipLable::~BalTipLable()
{
    if (currentTip == this)
        currentTip = nullptr;
}

void BalTipLable::showTip(QPoint anchor, const QString& text, QWidget* parent)
{
    (new BalTipLable(text, anchor, parent))->show();
}

void BalTipLable::hideTip()
{
    if (currentTip)
        currentTip->hide();
}

BalTipLable* BalTipLable::current() { return currentTip; }

void BalTipLable::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), balloon);
    painter.setPen(Qt::white);  // the balloon is dark
    painter.drawText(rect().adjusted(0, 0, 0, -height() / 5), Qt::AlignCenter, text());
}
