#include "WeiboNote.h"

WeiboNote::WeiboNote(QWidget* parent) : QLabel(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void WeiboNote::addCount(int n)
{
    number += n;
    setText(QStringLiteral("%1 ").arg(number));
    setVisible(number != 0);
}

void WeiboNote::clearCount()
{
    number = 0;
    hide();
}
