#pragma once
// PanelView: the floating control panel below the main window, a frameless translucent
// tool window painting a three-part background (left cap, tiled middle, right cap); the
// main window lays out its contents. In the material layout the lower right corner is
// filled with the middle picture. GUI thread only.
#include <QImage>
#include <QWidget>

class PanelView : public QWidget {
    Q_OBJECT
public:
    explicit PanelView(QWidget* parent = nullptr);

    void setCornerFilled(bool filled);
    bool cornerFilled() const { return corner; }
    // Replaces the three background pictures (the compiled-in ones by default).
    void setPictures(const QImage& left, const QImage& middle, const QImage& right);
    bool hasPictures() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool corner = false;
    QImage leftPicture;
    QImage middlePicture;
    QImage rightPicture;
};
