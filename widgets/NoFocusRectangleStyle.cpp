#include "NoFocusRectangleStyle.h"

#include <QWidget>

void NoFocusRectangleStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                          QPainter* painter, const QWidget* widget) const
{
    if (element == PE_FrameFocusRect && widget &&
        (widget->inherits("QTreeWidget") || widget->inherits("QPushButton")))
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void NoFocusRectangleStyle::drawControl(ControlElement element, const QStyleOption* option,
                                        QPainter* painter, const QWidget* widget) const
{
    if (element == CE_PushButton && widget && widget->inherits("QTreeWidget"))
        return;
    QProxyStyle::drawControl(element, option, painter, widget);
}
