#pragma once
// PlotView: a 482 x 26 strip showing one waveform picture with the practice state laid
// over it. GUI thread only.
//
// Minimal stand-in: it stores what the controller sets and paints the picture or the
// caption; cursors, sentence bands, ranges and the caption animation come later.
#include "vPlotWidget.h"

#include <QWidget>

class PlotView : public QWidget, public vPlotWidget {
    Q_OBJECT
public:
    explicit PlotView(QWidget* parent = nullptr);

    void setTintColor(QColor color) override;
    void setFetching(bool fetching) override;
    void setRecording(bool recording) override;
    void setRangeMode(bool on) override;
    void setCaption(QString caption) override;
    void setPixmap(const QImage* picture) override;
    void setSentenceTimes(const std::vector<float>* times) override;
    void setDuration(float seconds) override;
    void setProgress(float fraction) override;
    void setCurrentSentence(int index) override;
    void setSentenceHandler(SentenceHandler handler) override;
    void setPositionHandler(PositionHandler handler) override;
    void setHandlerObject(QObject* receiver) override;
    bool getRange(float* a, float* b) override;

    QString caption() const { return captionText; }
    bool isFetching() const { return fetching; }
    bool isRecording() const { return recording; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool fetching = false;
    bool recording = false;
    bool rangeMode = false;
    QString captionText;
    const QImage* picture = nullptr;
    const std::vector<float>* sentenceTimes = nullptr;
    float durationSeconds = 0;
    float cursorX = 0;
    int currentSentence = -1;
    float markA = 0;
    float markB = 1.0f;
    QColor tintColor = Qt::transparent;
    QObject* handlerObject = nullptr;
    SentenceHandler sentenceHandler = nullptr;
    PositionHandler positionHandler = nullptr;
};
