#pragma once
// WaveColumns: turns a stream of interleaved 16-bit sample values into the 561 x 40
// waveform picture, column by column: each column keeps the lowest and highest value it
// saw and becomes a gradient bar standing on the bottom edge, 1350 sample units a pixel.
// Used by one waveform worker at a time, in that worker's thread; the picture is a QImage,
// which may be painted outside the GUI thread.
#include <QImage>
#include <array>
#include <cstddef>
#include <cstdint>

class WaveColumns {
public:
    static constexpr int kColumns = 561;
    static constexpr int kRows = 40;

    WaveColumns();

    // Starts a new picture (black, all columns empty). The width is counted in two units
    // per sample value; a width that is not positive and finite means no column fills.
    void reset(float width);
    float width() const { return columnWidth; }
    // Walks the values in order; false once every column is complete.
    bool add(const std::int16_t* values, std::size_t count);
    bool complete() const { return column >= kColumns; }
    int completedColumns() const { return column; }
    // Draws the column that was filling when the samples ran out.
    void finish();
    const QImage& picture() const { return image; }

    // Rows covered by a column with these extremes: [top, bottom) of a 40-row picture;
    // the bar's height may exceed the picture, which clips it.
    static int barHeight(std::int16_t low, std::int16_t high);

private:
    void drawColumn(int c);

    float columnWidth = 0;
    float fill = 0;
    int column = 0;
    bool touched = false;
    std::array<std::int16_t, kColumns> minima{};
    std::array<std::int16_t, kColumns> maxima{};
    QImage image;
};
