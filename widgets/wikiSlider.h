#pragma once
// wikiSlider: the position bar of the full-playing layout; driven like a waveform view
// (only setProgress and the position handler matter). GUI thread only.
//
// Minimal stand-in: draws a plain bar and calls the position handler on a left click.
#include "vPlotWidget.h"

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

    PositionHandler positionHandler() const { return handler; }
    QObject* handlerObject() const { return receiver; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    float progress = 0;
    QObject* receiver = nullptr;
    PositionHandler handler = nullptr;
};
