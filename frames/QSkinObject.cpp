#include "QSkinObject.h"

#include <QWidget>

QSkinObject::QSkinObject(QWidget* widget, int buttonMode) : skinned(widget), mode(buttonMode) {}

void QSkinObject::setSkinFile(const QString& path) { skinPath = path; }

void QSkinObject::startSkinning()
{
    if (skinned)
        skinned->update();
}

void QSkinObject::stopSkinning() {}
