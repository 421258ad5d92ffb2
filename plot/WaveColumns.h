#pragma once
// WaveColumns: the 561 x 40 waveform picture, column by column: each column shows the lowest
// and highest value of its share of the range as a gradient bar standing on the bottom
// edge, 1350 sample units a pixel. Painted by one waveform worker at a time, in that
// worker's thread; the picture is a QImage, which may be painted outside the GUI thread.
#include <QImage>
#include <cstdint>

class WaveColumns {
public:
    static constexpr int kColumns = 561;
    static constexpr int kRows = 40;

    WaveColumns();

    // Black, no column drawn.
    void clear();
    // Draws column c for these extremes (counted from 0) and counts it as laid out.
    void setColumn(int c, std::int16_t low, std::int16_t high);
    // Columns laid out so far: those the range's sound reached.
    int completedColumns() const { return laid; }
    const QImage& picture() const { return image; }

    // Rows covered by a column with these extremes: [top, bottom) of a 40-row picture;
    // the bar's height may exceed the picture, which clips it.
    static int barHeight(std::int16_t low, std::int16_t high);

private:
    int laid = 0;
    QImage image;
};
