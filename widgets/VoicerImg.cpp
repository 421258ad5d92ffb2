#include "VoicerImg.h"

#include <QCoreApplication>
#include <QWheelEvent>

VoicerImg::VoicerImg(QWidget* parent) : QLabel(parent)
{
    hideTimer.setSingleShot(true);
    connect(&hideTimer, &QTimer::timeout, this, &VoicerImg::doHide);
}

void VoicerImg::setPopup(QWidget* w)
{
    popup = w;
    if (popup)
        popup->installEventFilter(this);
    doHide();
}

void VoicerImg::addCompanion(QWidget* w)
{
    if (!companion1)
        companion1 = w;
    else
        companion2 = w;
}

void VoicerImg::showPopup()
{
    popup->show();
    for (QWidget* c : {companion1, companion2}) {
        if (c)
            c->hide();
    }
}

void VoicerImg::doHide()
{
    if (iconHovered || popupHovered)
        return;
    if (popup)
        popup->hide();
    for (QWidget* c : {companion1, companion2}) {
        if (c)
            c->show();
    }
}

void VoicerImg::enterEvent(QEnterEvent* event)
{
    if (popup) {
        iconHovered = true;
        showPopup();
    }
    QLabel::enterEvent(event);
}

void VoicerImg::leaveEvent(QEvent* event)
{
    if (popup) {
        iconHovered = false;
        hideTimer.start(kHideDelayMs);
    }
    QLabel::leaveEvent(event);
}

void VoicerImg::wheelEvent(QWheelEvent* event)
{
    if (popup)
        QCoreApplication::sendEvent(popup, event);
}

bool VoicerImg::eventFilter(QObject* watched, QEvent* event)
{
    if (popup && watched == popup) {
        if (event->type() == QEvent::Leave) {
            popupHovered = false;
            hideTimer.start(kHideDelayMs);
        } else if (event->type() == QEvent::Enter) {
            popupHovered = true;
            showPopup();
        }
    }
    return QLabel::eventFilter(watched, event);
}
