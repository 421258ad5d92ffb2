#pragma once
// Helpers for the widget tests: test-made picture sheets of solid colours, pixel reads from
// grabbed widgets, and the pointer entering and leaving.
#include <QColor>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QVector>
#include <QWidget>

namespace kit {

// A sheet of rows x cols cells, cell (row, col) filled with colors[row * cols + col].
inline QPixmap solidSheet(int cellW, int cellH, int cols, int rows, const QVector<QColor>& colors)
{
    QImage image(cellW * cols, cellH * rows, QImage::Format_ARGB32);
    QPainter p(&image);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            p.fillRect(c * cellW, r * cellH, cellW, cellH, colors[r * cols + c]);
    p.end();
    return QPixmap::fromImage(image);
}

inline QImage grabbed(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

inline QColor pixel(QWidget* w, int x, int y) { return grabbed(w).pixelColor(x, y); }

// Equal within a small tolerance per channel (scaling and blending round).
inline bool near(const QColor& a, const QColor& b, int tol = 6)
{
    return qAbs(a.red() - b.red()) <= tol && qAbs(a.green() - b.green()) <= tol &&
           qAbs(a.blue() - b.blue()) <= tol;
}

// The pointer entering and leaving a widget, as the window system reports it.
inline void enter(QWidget* w)
{
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(w, &e);
}

inline void leave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
}

}  // namespace kit
