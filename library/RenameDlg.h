#pragma once
// RenameDlg: the small modal dialog that asks for a new title of a list row. GUI thread only.
#include <QDialog>

class QGridLayout;
class QLabel;
class QLineEdit;
class OctImgBtn;

class RenameDlg : public QDialog {
    Q_OBJECT
public:
    explicit RenameDlg(QWidget* parent = nullptr);
    void setPrompt(const QString& text);
    QString text() const;

private:
    QGridLayout* mainLO;
    QLabel* label;
    QLineEdit* lineEdit;
    OctImgBtn* btnConfirm;
    OctImgBtn* btnCancel;
};
