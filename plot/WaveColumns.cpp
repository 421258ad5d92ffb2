#include "WaveColumns.h"

#include <QColor>
#include <cmath>

namespace {
constexpr float kUnitsPerPixel = -1350.0f;
const QColor kTop(24, 120, 164);
const QColor kBottom(157, 214, 240);
}  // namespace

WaveColumns::WaveColumns() : image(kColumns, kRows, QImage::Format_RGB32) { image.fill(Qt::black); }

void WaveColumns::reset(float width)
{
    columnWidth = width;
    fill = 0;
    touched = false;
    minima.fill(0);
    maxima.fill(0);
    image.fill(Qt::black);
    column = (std::isfinite(width) && width > 0) ? 0 : kColumns;
}

bool WaveColumns::add(const std::int16_t* values, std::size_t count)
{
    if (column >= kColumns)
        return false;
    // The walk keeps its state in locals; this loop runs once per decoded sample value.
    float f = fill;
    std::int16_t low = minima[std::size_t(column)];
    std::int16_t high = maxima[std::size_t(column)];
    const float w = columnWidth;
    touched = touched || count > 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int16_t v = values[i];
        if (v > high)
            high = v;
        else if (v < low)
            low = v;
        f += 2;
        if (f >= w) {
            f -= w;
            minima[std::size_t(column)] = low;
            maxima[std::size_t(column)] = high;
            drawColumn(column);
            touched = false;
            if (++column >= kColumns) {
                fill = f;
                return false;
            }
            low = minima[std::size_t(column)];
            high = maxima[std::size_t(column)];
            touched = i + 1 < count;
        }
    }
    fill = f;
    minima[std::size_t(column)] = low;
    maxima[std::size_t(column)] = high;
    return true;
}

void WaveColumns::finish()
{
    if (column < kColumns && touched)
        drawColumn(column);
}

int WaveColumns::barHeight(std::int16_t low, std::int16_t high)
{
    const auto top = std::int16_t(std::trunc(float(high) / kUnitsPerPixel + 20.0f));
    const auto bottom = std::int16_t(std::trunc(float(low) / kUnitsPerPixel + 20.0f));
    return bottom - top;
}

void WaveColumns::drawColumn(int c)
{
    const int h = barHeight(minima[std::size_t(c)], maxima[std::size_t(c)]);
    if (h <= 0)
        return;
    // A vertical gradient over the bar's own height, from its top to the bottom edge.
    for (int row = 0; row < h; ++row) {
        const int y = kRows - h + row;
        if (y < 0)
            continue;
        const float t = (float(row) + 0.5f) / float(h);
        const auto mix = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
        const QRgb colour = qRgb(mix(kTop.red(), kBottom.red()), mix(kTop.green(), kBottom.green()),
                                 mix(kTop.blue(), kBottom.blue()));
        reinterpret_cast<QRgb*>(image.scanLine(y))[c] = colour;
    }
}
