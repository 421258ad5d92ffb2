#include "WaveImage.h"

#include <QColor>

namespace waveimage {

std::vector<bool> litColumns(const QImage& picture)
{
    std::vector<bool> lit(std::size_t(picture.width()), false);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xffffff) != 0)
                lit[std::size_t(x)] = true;
    return lit;
}

int countLit(const std::vector<bool>& lit, int first, int last)
{
    int n = 0;
    for (int c = first; c <= last; ++c)
        n += lit[std::size_t(c)] ? 1 : 0;
    return n;
}

QString expectColumns(const std::vector<bool>& lit, int first, int last, bool want)
{
    for (int c = first; c <= last; ++c)
        if (lit[std::size_t(c)] != want)
            return QStringLiteral("column %1 is %2 (expected %3 in %4..%5)")
                .arg(c)
                .arg(lit[std::size_t(c)] ? "lit" : "black", want ? "lit" : "black")
                .arg(first)
                .arg(last);
    return {};
}

int barHeightAt(const QImage& picture, int c)
{
    int top = picture.height();
    while (top > 0 && (picture.pixel(c, top - 1) & 0xffffff) != 0)
        --top;
    for (int y = 0; y < top; ++y)
        if ((picture.pixel(c, y) & 0xffffff) != 0)
            return -1;
    return picture.height() - top;
}

}  // namespace waveimage
