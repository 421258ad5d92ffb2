#pragma once
// PhaseTabs: the tab bar of the three practice phases. Tab texts are "English@Chinese": the
// Chinese part sits in the lower half of every tab, the English part also in the upper half
// of the selected one. Only the lower half takes presses. GUI thread only.
#include "ChromeTabs.h"

class PhaseTabs : public ChromeTabs {
    Q_OBJECT
public:
    explicit PhaseTabs(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
