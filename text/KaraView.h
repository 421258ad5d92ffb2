#pragma once
// KaraView: the karaoke line. The current sentence is drawn word-wrapped in white on black in
// the middle third of the view; a progress value colours the spoken part green and the rest
// magenta, row after row, at a constant pixel rate. The previous and next sentences can be
// shown above and below it. GUI thread only.
//
// The current line is laid out once per sentence with a QTextLayout on the text image, and the
// same layout draws the text, so the coloured extents of the rows are exactly where the
// characters are drawn, for any script. A word wider than the line breaks where it reaches the
// right edge.
//
// A sentence with more rows than the line image holds scrolls: the image shows whole rows,
// and as the progress advances the rows move up so that the row being spoken stays in view.
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

class KaraView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 240;
    static constexpr int kLineHeight = 80;  // height of each of the three line images

    explicit KaraView(QWidget* parent = nullptr);

    // Show `current` in the middle row (from colour progress 0) and, when either is not
    // empty, `previous` above and `next` below; when both are empty the neighbour rows hide.
    void setLines(const QString& current, const QString& previous, const QString& next);
    // Colour the spoken part: fraction of the line's total row width, clamped to [0, 1]
    // (anything that is not a number counts as 0).
    void setProgress(float fraction);

    // Per text row of the current line: its ink extent (left, right) and its pixel rows (top,
    // bottom) in the line image, in row order.
    const std::vector<QRect>& segments() const { return segs; }
    // Sum of the widths of all segments.
    unsigned totalWidth() const { return total; }
    int rowHeight() const { return rowH; }
    // The first row shown at the top of the line image (0 unless the line scrolls).
    int firstShownRow() const { return firstRow; }
    bool neighboursShown() const { return neighbours; }
    // The coloured current line as shown in the middle row.
    const QImage& displayImage() const { return display; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutCurrent(const QString& text);
    // The first row to show while row `spokenRow` is being spoken.
    int firstRowFor(int spokenRow) const;
    // The last row that fits wholly in the line image below row `first`.
    int lastRowFrom(int first) const;

    unsigned total = 0;
    int rowH = 0;
    QImage display;
    QImage textImage;
    QImage previousImage;
    QImage nextImage;
    bool neighbours = false;
    int firstRow = 0;
    std::vector<QRect> segs;
};
