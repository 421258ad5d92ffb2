#pragma once
// PlotView: a 482 x 26 strip showing one waveform picture with the practice state laid
// over it: sentence bands (current and pointed-at), an A-B range, the play cursor and a
// tint; while a picture is computed or a recording runs, an animated caption instead.
// The practice controller drives it through vPlotWidget and hears back through the
// handlers. GUI thread only; the picture belongs to the Ploter's cache.
#include "vPlotWidget.h"

#include <QWidget>

class QImage;
class QPainter;
class QTimer;

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
    void setPitchOverlay(PitchOverlay overlay) override;
    void setNote(QString note) override;

    QString caption() const { return captionText; }
    bool isFetching() const { return fetching; }
    bool isRecording() const { return recording; }
    bool isAnimating() const;
    // The text painted when there is no picture, with the animation's dots.
    QString shownCaption() const;
    int currentSentenceIndex() const { return currentSentence; }
    int hoveredSentenceIndex() const { return hoveredSentence; }
    const PitchOverlay& pitchOverlay() const { return overlay; }
    QString note() const { return noteText; }

public Q_SLOTS:
    // Next animation step (0..4) and repaint.
    void doPlotting();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool sentencesShown() const;
    int sentenceAt(float fraction) const;
    void pointerAt(QMouseEvent* event, bool press);
    // The two contours on a shared semitone scale: the model's white, the learner's magenta,
    // each over a dark edge so they stand out on the light bars.
    void paintContours(QPainter& painter) const;
    void paintNote(QPainter& painter) const;

    QTimer* animation = nullptr;
    int step = 0;
    bool fetching = false;
    bool recording = false;
    QString captionText;
    const QImage* picture = nullptr;
    const std::vector<float>* sentenceTimes = nullptr;
    float durationSeconds = 0;
    int hoveredSentence = -1;
    int currentSentence = -1;
    float cursorX = 0;
    bool rangeMode = false;
    float markA = 0;
    float markB = 1.0f;
    QColor cursorColor{255, 255, 255, 200};
    QColor hoverColor{0, 200, 200, 100};
    QColor currentColor{0, 200, 200, 50};
    QColor tintColor = Qt::transparent;
    QObject* handlerObject = nullptr;
    SentenceHandler sentenceHandler = nullptr;
    PositionHandler positionHandler = nullptr;
    PitchOverlay overlay;
    // The semitones at the bottom and the top of the row for the overlay; equal when none.
    float overlayLow = 0;
    float overlayHigh = 0;
    QString noteText;
};
