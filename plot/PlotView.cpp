#include "PlotView.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

PlotView::PlotView(QWidget* parent) : QWidget(parent), animation(new QTimer(this))
{
    setFixedSize(482, 26);
    animation->setInterval(500);
    connect(animation, &QTimer::timeout, this, &PlotView::doPlotting);
}

void PlotView::setTintColor(QColor color) { tintColor = color; }

void PlotView::setFetching(bool on)
{
    fetching = on;
    if (on)
        animation->start();
    else
        animation->stop();
}

void PlotView::setRecording(bool on)
{
    recording = on;
    if (on)
        animation->start();
    else
        animation->stop();
}

void PlotView::setRangeMode(bool on)
{
    rangeMode = on;
    if (on) {
        // The marks start over on the whole picture.
        markA = 0;
        markB = 1.0f;
    }
    update();
}
void PlotView::setCaption(QString text) { captionText = std::move(text); }

void PlotView::setPixmap(const QImage* image)
{
    if (fetching && image) {
        fetching = false;
        animation->stop();
    }
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

bool PlotView::isAnimating() const { return animation->isActive(); }

void PlotView::doPlotting()
{
    step = step >= 4 ? 0 : step + 1;
    update();
}

QString PlotView::shownCaption() const
{
    // The dots: "." right-aligned in a field as wide as the step, padded with dots.
    const QString dots = QStringLiteral(".").rightJustified(step, QLatin1Char('.'));
    if (recording)
        return QStringLiteral("正在录音%1").arg(dots);
    if (fetching)
        return QStringLiteral("正在获取波形%1").arg(dots);
    return captionText;
}

bool PlotView::sentencesShown() const
{
    return sentenceTimes && !sentenceTimes->empty() && durationSeconds > sentenceTimes->back();
}

int PlotView::sentenceAt(float fraction) const
{
    const std::vector<float>& times = *sentenceTimes;
    const int count = int(times.size());
    if (count == 1 || fraction <= times[1] / durationSeconds)
        return 0;
    int index = 0;
    for (int i = 0; i < count; ++i) {
        if (fraction > times[std::size_t(i)] / durationSeconds)
            index = i;
    }
    return index;
}

void PlotView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    cursorX = std::clamp(cursorX, 0.0f, float(w));

    if (picture) {
        painter.drawImage(QRect(0, 0, 482, 26), *picture);
    } else {
        const QRect box(QPoint(0, 0), QPoint(481, 25));
        painter.fillRect(box, Qt::black);
        QFont font(QStringLiteral("宋体"), 11, QFont::DemiBold, false);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, shownCaption());
    }

    if (sentencesShown()) {
        const std::vector<float>& times = *sentenceTimes;
        for (std::size_t i = 0; i < times.size(); ++i) {
            const float end = i + 1 < times.size() ? times[i + 1] : durationSeconds;
            const int x = int(times[i] / durationSeconds * float(w));
            const int span = int(float(w) * (end / durationSeconds)) - x;
            const QRect band(x, 0, span, h);
            if (int(i) == hoveredSentence)
                painter.fillRect(band, hoverColor);
            if (int(i) == currentSentence)
                painter.fillRect(band, currentColor);
        }
    }

    if (rangeMode) {
        if (markB > markA)
            painter.fillRect(QRect(int(markA * float(w)), 0, int((markB - markA) * float(w)), h),
                             QColor(0, 255, 0, 100));
        else if (markB < markA)
            painter.fillRect(QRect(int(markB * float(w)), 0, int((markA - markB) * float(w)), h),
                             QColor(255, 0, 0, 100));
        // The marks themselves, at both ends of a band.
        if (markA != markB) {
            for (const float mark : {markA, markB})
                painter.fillRect(QRect(std::min(int(mark * float(w)), w - 2), 0, 2, h),
                                 QColor(255, 255, 0, 220));
        }
    }

    painter.fillRect(QRect(int(cursorX), 0, 1, h), cursorColor);
    painter.fillRect(rect(), tintColor);
    // The contours and the note stay in their own colours over the tint.
    paintContours(painter);
    paintNote(painter);
}

void PlotView::setPitchOverlay(PitchOverlay contours)
{
    overlay = std::move(contours);
    // The scale spans the middle kSpanned of both contours' values (a stray value is drawn
    // at the edge rather than squeezing the rest), at least kLeastSpan semitones.
    constexpr float kLeastSpan = 8;
    constexpr double kSpanned = 0.9;
    std::vector<float> values;
    for (const std::vector<float>* line : {&overlay.model, &overlay.learner})
        std::copy_if(line->begin(), line->end(), std::back_inserter(values),
                     [](float v) { return !std::isnan(v); });
    overlayLow = overlayHigh = 0;
    if (!values.empty()) {
        std::sort(values.begin(), values.end());
        const auto at = [&values](double share) {
            return values[std::size_t(share * double(values.size() - 1))];
        };
        const float middle = (at((1 - kSpanned) / 2) + at((1 + kSpanned) / 2)) / 2;
        const float half = std::max(at((1 + kSpanned) / 2) - middle, kLeastSpan / 2);
        overlayLow = middle - half;
        overlayHigh = middle + half;
    }
    update();
}

void PlotView::setNote(QString note)
{
    noteText = note;
    update();
}

void PlotView::paintContours(QPainter& painter) const
{
    constexpr float kMargin = 3;
    // A step this large from one frame to the next is a leap, not a glide: not joined.
    constexpr float kLeap = 5;
    if (overlayLow >= overlayHigh)
        return;
    const float low = overlayLow;
    const float high = overlayHigh;
    const float w = float(width());
    const float h = float(height());
    const auto pathOf = [&](const std::vector<float>& line) {
        QPainterPath path;
        bool drawing = false;
        const auto count = float(line.size());
        for (std::size_t k = 0; k < line.size(); ++k) {
            if (std::isnan(line[k])) {
                drawing = false;
                continue;
            }
            const float v = std::clamp(line[k], low, high);
            const QPointF at((float(k) + 0.5f) / count * w,
                             kMargin + (high - v) / (high - low) * (h - 2 * kMargin));
            if (drawing && std::fabs(line[k] - line[k - 1]) < kLeap)
                path.lineTo(at);
            else
                path.moveTo(at);
            drawing = true;
        }
        return path;
    };
    // Both dark edges first, then the model's wider white line and the learner's narrower
    // magenta one on it: where the two agree, the magenta runs inside the white.
    const QPainterPath model = pathOf(overlay.model);
    const QPainterPath learner = pathOf(overlay.learner);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const auto pen = [](QColor colour, qreal width) {
        return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    };
    const QColor edge(0, 0, 0, 170);
    painter.setPen(pen(edge, 4.6));
    painter.drawPath(model);
    painter.setPen(pen(edge, 3.4));
    painter.drawPath(learner);
    painter.setPen(pen(QColor(255, 255, 255), 2.8));
    painter.drawPath(model);
    painter.setPen(pen(QColor(255, 0, 255), 1.4));
    painter.drawPath(learner);
    painter.restore();
}

void PlotView::paintNote(QPainter& painter) const
{
    if (noteText.isEmpty())
        return;
    painter.save();
    QFont font(QStringLiteral("宋体"), 9, QFont::DemiBold, false);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int textWidth = metrics.horizontalAdvance(noteText);
    const QRect box(width() - textWidth - 10, 3, textWidth + 8, height() - 6);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, noteText);
    painter.restore();
}

void PlotView::pointerAt(QMouseEvent* event, bool press)
{
    const QPointF at = event->position();
    const float w = float(width());
    if (at.x() < 0 || at.x() > w || at.y() < 0 || at.y() > height())
        return;
    const float f = float(at.x()) / w;

    if (sentencesShown()) {
        const int i = sentenceAt(f);
        if (i == currentSentence)
            return;
        if (press) {
            if (handlerObject && sentenceHandler)
                (handlerObject->*sentenceHandler)(i);
            currentSentence = i;
        } else {
            hoveredSentence = i;
            update();
        }
        return;
    }
    const Qt::MouseButtons held = event->buttons();
    if (rangeMode) {
        if (held == Qt::LeftButton)
            markA = f;
        else if (held == Qt::RightButton)
            markB = f;
        update();
        return;
    }
    if (held == Qt::LeftButton && handlerObject && positionHandler)
        (handlerObject->*positionHandler)(f);
}

void PlotView::mousePressEvent(QMouseEvent* event) { pointerAt(event, true); }
void PlotView::mouseMoveEvent(QMouseEvent* event) { pointerAt(event, false); }

void PlotView::leaveEvent(QEvent*)
{
    hoveredSentence = -1;
    update();
}

void PlotView::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }
