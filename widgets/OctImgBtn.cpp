#include "OctImgBtn.h"

OctImgBtn::OctImgBtn(QWidget* parent) : QCheckBox(parent)
{
    connect(this, &QCheckBox::toggled, this, &OctImgBtn::applyText);
}

void OctImgBtn::setImages(const QPixmap&, int) {}

void OctImgBtn::setTexts(const QString& unchecked, const QString& checked)
{
    textOff = unchecked;
    textOn = checked;
    applyText();
}

void OctImgBtn::applyText() { setText(isChecked() ? textOn : textOff); }
