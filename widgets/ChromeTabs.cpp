#include "ChromeTabs.h"

#include "BalTipLable.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>

ChromeTabs::ChromeTabs(QWidget* parent) : QTabBar(parent)
{
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_MouseTracking);
    setAttribute(Qt::WA_Hover);  // QTabBar marks the tab under the pointer from hover events
}

ChromeTabs::Pictures ChromeTabs::cut(const QPixmap& sheet)
{
    // Sheet rows, top to bottom: normal, hover, selected, fourth.
    const int w = sheet.width();
    const int h = sheet.height() / 4;
    Pictures p;
    p.rows[RowNormal] = sheet.copy(0, 0, w, h);
    p.rows[RowHover] = sheet.copy(0, h, w, h);
    p.rows[RowSelected] = sheet.copy(0, sheet.height() / 2, w, h);
    p.rows[RowFourth] = sheet.copy(0, sheet.height() * 3 / 4, w, h);
    return p;
}

void ChromeTabs::setTabImages(const QPixmap& sheet)
{
    shared = cut(sheet);
    pictureWidth = sheet.width();
    rowHeight = sheet.height() / 4;
    updateGeometry();
    update();
}

void ChromeTabs::setTabImages(int index, const QPixmap& sheet)
{
    own[index] = cut(sheet);
    update();
}

void ChromeTabs::setOuterMargins(const QMargins& margins)
{
    outer = margins;
    updateGeometry();
    update();
}

void ChromeTabs::setTabMargins(const QMargins& margins)
{
    inner = margins;
    updateGeometry();
    update();
}

void ChromeTabs::setFirstTabIndent(const QPoint& indent)
{
    firstIndent = indent.x();
    firstIndentY = indent.y();
    updateGeometry();
    update();
}

void ChromeTabs::setTabOffset(const QPoint& p)
{
    offset = p;
    update();
}

const ChromeTabs::Pictures& ChromeTabs::picturesOf(int index) const
{
    const auto it = own.constFind(index);
    return it != own.constEnd() ? *it : shared;
}

QRect ChromeTabs::tabHitRect(int index) const
{
    QRect r = tabRect(index);
    if (!r.isValid())
        return r;
    r.setLeft(r.left() + outer.left() + inner.left() + (index == 0 ? firstIndent : 0));
    r.setTop(r.top() + outer.top() + inner.top());
    const bool last = index == count() - 1 && index != 0;
    r.setRight(r.right() - outer.right() - inner.right() - (last ? kLastTabReserve : 0));
    r.setBottom(r.bottom() - outer.bottom() - inner.bottom());
    return r.translated(offset);
}

QRect ChromeTabs::tabPaintRect(int index) const
{
    QRect r = tabHitRect(index);
    const auto it = own.constFind(index);
    if (it != own.constEnd() && pictureWidth >= 0)
        r.setRight(r.right() + it->rows[RowNormal].width() - pictureWidth);
    return r;
}

QSize ChromeTabs::tabSizeHint(int index) const
{
    if (pictureWidth < 0)  // no pictures yet: size as a plain tab bar would
        return QTabBar::tabSizeHint(index);
    int w = pictureWidth + outer.left() + outer.right() + inner.left() + inner.right();
    if (index == 0)
        w += firstIndent;
    else if (index == count() - 1)
        w += kLastTabReserve;
    const int h = rowHeight + outer.top() + outer.bottom() + inner.top() + inner.bottom();
    return QSize(w, h);
}

bool ChromeTabs::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        return true;  // tool tips show in the balloon instead
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::HoverLeave: {
        const bool handled = QTabBar::event(event);
        update();  // painted rectangles reach beyond the layout slots QTabBar repaints
        return handled;
    }
    default:
        return QTabBar::event(event);
    }
}

void ChromeTabs::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    for (int i = 0; i < count(); ++i) {
        if (isTabEnabled(i) && tabHitRect(i).contains(pos)) {
            setCurrentIndex(i);
            return;
        }
    }
}

void ChromeTabs::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabHitRect(i);
        if (!isTabEnabled(i) || !r.contains(pos))
            continue;
        const QString tip = tabToolTip(i);
        if (!tip.isEmpty() && parentWidget())
            BalTipLable::showTip(mapToParent(QPoint(r.center().x(), r.top())), tip, parentWidget());
        if (cursor().shape() != Qt::PointingHandCursor)
            setCursor(Qt::PointingHandCursor);
        return;
    }
    BalTipLable::hideTip();
    if (cursor().shape() != Qt::ArrowCursor)
        setCursor(Qt::ArrowCursor);
}

void ChromeTabs::leaveEvent(QEvent* event)
{
    BalTipLable::hideTip();
    setCursor(Qt::ArrowCursor);
    QTabBar::leaveEvent(event);
}

void ChromeTabs::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A bar disabled as a whole (nothing to switch between yet) still shows its tabs, faded;
    // a tab disabled on its own is not drawn.
    const bool barEnabled = isEnabled();
    if (!barEnabled)
        painter.setOpacity(kFadedOpacity);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionTab opt;
        initStyleOption(&opt, i);
        const QRect r = tabPaintRect(i);
        const Pictures& pics = picturesOf(i);
        const bool enabled = opt.state & QStyle::State_Enabled;
        if (enabled && (opt.state & QStyle::State_MouseOver))
            painter.drawPixmap(r, pics.rows[RowHover]);
        else if (enabled || (!barEnabled && isTabEnabled(i) && i != currentIndex()))
            painter.drawPixmap(r, pics.rows[RowNormal]);
        else
            painter.fillRect(r, Qt::transparent);
    }
    const int cur = currentIndex();
    if (cur < 0)
        return;
    QStyleOptionTab opt;
    initStyleOption(&opt, cur);
    const QRect r = tabPaintRect(cur);
    if (!barEnabled && isTabEnabled(cur))
        painter.drawPixmap(r, picturesOf(cur).rows[RowSelected]);
    else if (!(opt.state & QStyle::State_Enabled))
        painter.fillRect(r, Qt::transparent);
    else if (opt.state & QStyle::State_Selected)
        painter.drawPixmap(r, picturesOf(cur).rows[RowSelected]);
}
