#pragma once
// VolSlider: a horizontal image slider for volumes; reports its value as a fraction of its
// range, and jumps straight to a clicked place. GUI thread only.
#include <QPixmap>
#include <QSlider>

class VolSlider : public QSlider {
    Q_OBJECT
public:
    explicit VolSlider(QWidget* parent = nullptr);
    // The left edge of the knob for the current value, clamped to the track.
    int knobLeft() const;

Q_SIGNALS:
    void sigPercChanged(float fraction);

public Q_SLOTS:
    void doValChanged(int value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void jumpTo(QPoint pos);

    QPixmap track;
    QPixmap filled;
    QPixmap knob;
};
