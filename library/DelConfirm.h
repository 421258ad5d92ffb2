#pragma once
// DelConfirm: the small modal question before a material is removed from a list, with the
// choice of deleting its media file and script too. GUI thread only.
#include <QDialog>

class QCheckBox;
class QGridLayout;
class QLabel;
class OctImgBtn;

class DelConfirm : public QDialog {
    Q_OBJECT
public:
    explicit DelConfirm(QWidget* parent = nullptr);
    void setText(const QString& text);
    // True when the files are to stay on disk (the box "同时将文件从硬盘删除" is cleared).
    bool keepFile() const;

private:
    QGridLayout* mainLO;
    QLabel* label;
    QCheckBox* chkKeepFile;
    OctImgBtn* btnConfirm;
    OctImgBtn* btnCancel;
};
