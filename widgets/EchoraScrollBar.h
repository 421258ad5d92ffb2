#pragma once
// EchoraScrollBar: a vertical scroll bar painted from track and handle pictures (a top,
// a stretched middle and a bottom each); the mouse works as in any scroll bar.
// GUI thread only.
#include <QPixmap>
#include <QScrollBar>

class EchoraScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit EchoraScrollBar(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // The painted handle: top and length in pixels (length 0 when there is nothing to scroll).
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
