#pragma once
// PanelView: the frameless control panel below the main window; the main window lays out
// its contents. GUI thread only.
//
// Minimal stand-in: a dark panel; the three-part background picture comes later.
#include <QWidget>

class PanelView : public QWidget {
    Q_OBJECT
public:
    explicit PanelView(QWidget* parent = nullptr);
    void setCornerFilled(bool filled);
    bool cornerFilled() const { return corner; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool corner = true;
};
