#include "PlotView.h"

#include <QImage>
#include <QPainter>

PlotView::PlotView(QWidget* parent) : QWidget(parent) { setFixedSize(482, 26); }

void PlotView::setTintColor(QColor color) { tintColor = color; }
void PlotView::setFetching(bool on) { fetching = on; }
void PlotView::setRecording(bool on) { recording = on; }
void PlotView::setRangeMode(bool on) { rangeMode = on; }
void PlotView::setCaption(QString text) { captionText = std::move(text); }

void PlotView::setPixmap(const QImage* image)
{
    if (fetching && image)
        fetching = false;
    picture = image;
    update();
}

void PlotView::setSentenceTimes(const std::vector<float>* times) { sentenceTimes = times; }
void PlotView::setDuration(float seconds) { durationSeconds = seconds; }

void PlotView::setProgress(float fraction)
{
    cursorX = fraction * float(width());
    update();
}

void PlotView::setCurrentSentence(int index)
{
    if (!sentenceTimes)
        return;
    currentSentence = index;
    update();
}

void PlotView::setSentenceHandler(SentenceHandler handler) { sentenceHandler = handler; }
void PlotView::setPositionHandler(PositionHandler handler) { positionHandler = handler; }
void PlotView::setHandlerObject(QObject* receiver) { handlerObject = receiver; }

bool PlotView::getRange(float* a, float* b)
{
    if (!a || !b || !(markA < markB))
        return false;
    *a = markA;
    *b = markB;
    return true;
}

void PlotView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (picture && !fetching && !recording) {
        painter.drawImage(rect(), *picture);
        painter.setPen(QColor(255, 255, 255, 200));
        painter.drawLine(QPointF(cursorX, 0), QPointF(cursorX, height()));
    } else {
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, captionText);
    }
    painter.fillRect(rect(), tintColor);
}
