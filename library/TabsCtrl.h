#pragma once
// TabsCtrl: the control strip below the material trees (import, online, download badge).
// GUI thread only.
//
// Minimal stand-in: two buttons and the signals; the online button stays disabled until the
// online lists exist.
#include <QWidget>

class QPushButton;

class TabsCtrl : public QWidget {
    Q_OBJECT
public:
    explicit TabsCtrl(QWidget* parent = nullptr);
    int shownCount() const { return count; }

Q_SIGNALS:
    void sigImport();
    void sigOnline(bool online);

public Q_SLOTS:
    void doShowNum(int delta);

private:
    QPushButton* btnImport;
    QPushButton* btnOnline;
    int count = 0;
};
