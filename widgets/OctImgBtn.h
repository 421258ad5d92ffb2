#pragma once
// OctImgBtn: a check box drawn from a sheet of eight state pictures. GUI thread only.
//
// Minimal stand-in: a plain check box that shows its state texts.
#include <QCheckBox>
#include <QPixmap>

class OctImgBtn : public QCheckBox {
    Q_OBJECT
public:
    explicit OctImgBtn(QWidget* parent = nullptr);
    void setImages(const QPixmap& sheet, int rows);
    void setTexts(const QString& unchecked, const QString& checked);
    QString uncheckedText() const { return textOff; }
    QString checkedText() const { return textOn; }

private:
    void applyText();
    QString textOff;
    QString textOn;
};
