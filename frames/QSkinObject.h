#pragma once
// QSkinObject: draws a window's frame and title-bar buttons from an SVG skin and moves and
// resizes the frameless window. GUI thread only.
//
// Minimal stand-in: it reads the skin settings file's path and mode but leaves the window
// its system frame, so the window can be moved and closed as usual.
#include <QObject>
#include <QString>

class QWidget;

class QSkinObject : public QObject {
    Q_OBJECT
public:
    QSkinObject(QWidget* widget, int buttonMode);
    void setSkinFile(const QString& path);
    QString skinFile() const { return skinPath; }
    int buttonMode() const { return mode; }

public Q_SLOTS:
    void startSkinning();
    void stopSkinning();

private:
    QWidget* skinned;
    int mode;
    QString skinPath;
};
