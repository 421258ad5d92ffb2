#pragma once
// VolSlider: an image volume slider that reports its value as a fraction. GUI thread only.
//
// Minimal stand-in: a plain horizontal slider with the fraction signal.
#include <QSlider>

class VolSlider : public QSlider {
    Q_OBJECT
public:
    explicit VolSlider(QWidget* parent = nullptr);

Q_SIGNALS:
    void sigPercChanged(float fraction);

public Q_SLOTS:
    void doValChanged(int value);
};
