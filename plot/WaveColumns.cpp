#include "WaveColumns.h"

#include <QColor>
#include <algorithm>
#include <cmath>

namespace {
constexpr float kUnitsPerPixel = -1350.0f;
const QColor kTop(24, 120, 164);
const QColor kBottom(157, 214, 240);
}  // namespace

WaveColumns::WaveColumns() : image(kColumns, kRows, QImage::Format_RGB32) { image.fill(Qt::black); }

void WaveColumns::clear()
{
    laid = 0;
    image.fill(Qt::black);
}

int WaveColumns::barHeight(std::int16_t low, std::int16_t high)
{
    const auto top = std::int16_t(std::trunc(float(high) / kUnitsPerPixel + 20.0f));
    const auto bottom = std::int16_t(std::trunc(float(low) / kUnitsPerPixel + 20.0f));
    return bottom - top;
}

void WaveColumns::setColumn(int c, std::int16_t low, std::int16_t high)
{
    if (c < 0 || c >= kColumns)
        return;
    laid = std::max(laid, c + 1);
    const int h = barHeight(low, high);
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
