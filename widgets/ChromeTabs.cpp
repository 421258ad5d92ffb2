#include "ChromeTabs.h"

ChromeTabs::ChromeTabs(QWidget* parent) : QTabBar(parent)
{
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_MouseTracking);
}

void ChromeTabs::setTabImages(const QPixmap&) {}
void ChromeTabs::setTabImages(int, const QPixmap&) {}
void ChromeTabs::setOuterMargins(const QMargins& m) { outer = m; }
void ChromeTabs::setTabMargins(const QMargins& m) { inner = m; }
void ChromeTabs::setFirstTabIndent(const QPoint& p) { indent = p; }

void ChromeTabs::setTabOffset(const QPoint& p)
{
    offset = p;
    update();
}
