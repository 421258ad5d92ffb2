#pragma once
// TabsCtrl: the control strip below the material trees: the import button, the online toggle
// and, over it, the badge counting downloads that wait to be added to the local lists.
// GUI thread only.
#include <QWidget>

class QGridLayout;
class OctImgBtn;
class WeiboNote;

class TabsCtrl : public QWidget {
    Q_OBJECT
public:
    explicit TabsCtrl(QWidget* parent = nullptr);
    // The number the badge shows (0 while hidden).
    int shownCount() const;

Q_SIGNALS:
    void sigImport();
    void sigOnline(bool online);

public Q_SLOTS:
    void doShowNum(int delta);
    void on_btnImport_clicked();
    void on_btnOnline_toggled(bool checked);

private:
    QGridLayout* ctrlLO;
    OctImgBtn* btnImport;
    OctImgBtn* btnOnline;
    WeiboNote* noteLabel;
};
