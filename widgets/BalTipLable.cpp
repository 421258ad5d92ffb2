#include "BalTipLable.h"

namespace {
BalTipLable* currentTip = nullptr;
}

BalTipLable::BalTipLable(const QString& text, QPoint anchor, QWidget* parent) : QLabel(text, parent)
{
    adjustSize();
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
