#pragma once
// vPlotWidget: how the practice controller drives a waveform view (and the full-playing
// position bar). GUI thread only. Handlers are member functions of the handler object,
// given as pointers to QObject members (cast from the receiver's own class).
#include "PitchOverlay.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <vector>

class QImage;

class vPlotWidget {
public:
    using SentenceHandler = void (QObject::*)(int);
    using PositionHandler = void (QObject::*)(float);

    virtual void setTintColor(QColor color) = 0;
    virtual void setFetching(bool fetching) = 0;
    virtual void setRecording(bool recording) = 0;
    // Show (on) or hide the A-B range; turning it on puts the marks back at 0 and 1.
    virtual void setRangeMode(bool on) = 0;
    virtual void setCaption(QString caption) = 0;
    virtual void setPixmap(const QImage* picture) = 0;
    virtual void setSentenceTimes(const std::vector<float>* times) = 0;
    virtual void setDuration(float seconds) = 0;
    virtual void setProgress(float fraction) = 0;
    virtual void setCurrentSentence(int index) = 0;
    virtual void setSentenceHandler(SentenceHandler handler) = 0;
    virtual void setPositionHandler(PositionHandler handler) = 0;
    virtual void setHandlerObject(QObject* receiver) = 0;
    virtual bool getRange(float* a, float* b) = 0;
    // Pitch contours drawn over the picture (an empty overlay draws none).
    virtual void setPitchOverlay(PitchOverlay overlay) = 0;
    // A short text at the row's right end, over the picture or the caption (empty: none).
    virtual void setNote(QString note) = 0;

protected:
    ~vPlotWidget() = default;
};
