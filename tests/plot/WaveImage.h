#pragma once
// Reading waveform pictures back in tests: which columns carry a bar, and which rows.
#include <QImage>
#include <QString>
#include <vector>

namespace waveimage {
// True for every column that has at least one non-black pixel.
std::vector<bool> litColumns(const QImage& picture);
// Number of lit columns in [first, last].
int countLit(const std::vector<bool>& lit, int first, int last);
// Empty when every column in [first, last] is lit (or, with want = false, black);
// otherwise a message naming the first column that is not.
QString expectColumns(const std::vector<bool>& lit, int first, int last, bool want);
// Rows [top, 40) lit in column c, checked to be one contiguous bar on the bottom edge:
// the bar's height, or -1 when the column's lit pixels do not form such a bar.
int barHeightAt(const QImage& picture, int c);
}  // namespace waveimage
