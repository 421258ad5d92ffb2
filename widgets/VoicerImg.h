#pragma once
// VoicerImg: a speaker icon that pops up its volume slider in place of its companions
// while the pointer is on it. GUI thread only.
//
// Minimal stand-in: it remembers the pop-up and companions and keeps the pop-up hidden.
#include <QLabel>

class VoicerImg : public QLabel {
    Q_OBJECT
public:
    explicit VoicerImg(QWidget* parent = nullptr);
    void setPopup(QWidget* popup);
    void addCompanion(QWidget* companion);
    QWidget* popupWidget() const { return popup; }
    QWidget* firstCompanion() const { return companion1; }
    QWidget* secondCompanion() const { return companion2; }

public Q_SLOTS:
    void doHide();

private:
    QWidget* popup = nullptr;
    QWidget* companion1 = nullptr;
    QWidget* companion2 = nullptr;
};
