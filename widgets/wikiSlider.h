#pragma once
// wikiSlider: the position bar of the full-playing layout. The practice controller drives it
// like a waveform view: of that interface only setProgress and the position handler do
// anything. A left click asks the handler to seek; the bar moves when told. GUI thread only.
#include "vPlotWidget.h"

#include <QPixmap>
#include <QWidget>

class wikiSlider : public QWidget, public vPlotWidget {
    Q_OBJECT
public:
    explicit wikiSlider(QWidget* parent = nullptr);

    void setTintColor(QColor) override {}
    void setFetching(bool) override {}
    void setRecording(bool) override {}
    void setRangeMode(bool) override {}
    void setCaption(QString) override {}
    void setPixmap(const QImage*) override {}
    void setSentenceTimes(const std::vector<float>*) override {}
    void setDuration(float) override {}
    void setProgress(float fraction) override;
    void setCurrentSentence(int) override {}
    void setSentenceHandler(SentenceHandler) override {}
    void setPositionHandler(PositionHandler handler) override;
    void setHandlerObject(QObject* receiver) override;
    bool getRange(float*, float*) override { return false; }
    void setPitchOverlay(PitchOverlay) override {}
    void setNote(QString) override {}

    PositionHandler positionHandler() const { return handler; }
    QObject* handlerObject() const { return receiver; }
    // The filled length in pixels, which is also the knob's left edge.
    int filledLength() const { return filled; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap trackPic;
    QPixmap filledPic;
    QPixmap knobPic;
    int filled = 0;
    QObject* receiver = nullptr;
    PositionHandler handler = nullptr;
};
