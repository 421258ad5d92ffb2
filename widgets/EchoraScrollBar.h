#pragma once
// EchoraScrollBar: a vertical scroll bar painted from track and handle pictures (a top,
// a stretched middle and a bottom each). The track has no arrow buttons; the handle is drawn
// exactly where the mouse takes hold of it and is never shorter than minimumHandle pixels, so
// it stays visible and grabbable for long lists. GUI thread only; the bar owns its style.
#include <QPixmap>
#include <QScrollBar>

class EchoraScrollBar : public QScrollBar {
    Q_OBJECT
public:
    // Shortest handle, in pixels (shorter only when the bar itself is).
    static constexpr int minimumHandle = 20;

    explicit EchoraScrollBar(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // The handle as painted and grabbed: top and length in pixels (length 0 when there is
    // nothing to scroll).
    QPair<int, int> handleSpan() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap trackTop;
    QPixmap trackMid;
    QPixmap trackEnd;
    QPixmap handleTop;
    QPixmap handleMid;
    QPixmap handleEnd;
    QSize hint;
};
