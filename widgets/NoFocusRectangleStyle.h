#pragma once
// NoFocusRectangleStyle: the application's style, except that it draws no focus frame on tree
// widgets and push buttons, and no push-button panel inside tree widgets. GUI thread only; the
// widget it is set on, or its parent, owns it.
#include <QProxyStyle>

class NoFocusRectangleStyle : public QProxyStyle {
    Q_OBJECT
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
