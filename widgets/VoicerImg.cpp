#include "VoicerImg.h"

VoicerImg::VoicerImg(QWidget* parent) : QLabel(parent) {}

void VoicerImg::setPopup(QWidget* w)
{
    popup = w;
    doHide();
}

void VoicerImg::addCompanion(QWidget* w)
{
    if (!companion1)
        companion1 = w;
    else
        companion2 = w;
}

void VoicerImg::doHide()
{
    if (popup)
        popup->hide();
    if (companion1)
        companion1->show();
    if (companion2)
        companion2->show();
}
