#pragma once
// VoicerImg: a speaker icon that pops up its volume slider in place of its companions (the
// caption and time labels of its row) while the pointer is on the icon or the slider; the
// slider goes 200 ms after the pointer has left both. The wheel over the icon goes to the
// slider. GUI thread only.
#include <QLabel>
#include <QTimer>

class VoicerImg : public QLabel {
    Q_OBJECT
public:
    explicit VoicerImg(QWidget* parent = nullptr);
    void setPopup(QWidget* popup);
    // The first call sets the first companion, every later call the second.
    void addCompanion(QWidget* companion);
    QWidget* popupWidget() const { return popup; }
    QWidget* firstCompanion() const { return companion1; }
    QWidget* secondCompanion() const { return companion2; }

    static constexpr int kHideDelayMs = 200;

public Q_SLOTS:
    void doHide();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPopup();

    QWidget* popup = nullptr;
    QWidget* companion1 = nullptr;
    QWidget* companion2 = nullptr;
    bool popupHovered = false;
    bool iconHovered = false;
    QTimer hideTimer;
};
