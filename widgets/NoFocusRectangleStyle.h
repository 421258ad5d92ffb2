#pragma once
// NoFocusRectangleStyle: a common style that draws no focus frame on tree widgets and push
// buttons, and no push-button panel inside tree widgets.
#include <QCommonStyle>

class NoFocusRectangleStyle : public QCommonStyle {
    Q_OBJECT
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
