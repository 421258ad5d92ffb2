#include "KaraView.h"

#include "SentenceText.h"

#include <QFont>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {
const QColor kSpoken(0, 200, 0, 255);
const QColor kUnspoken(200, 0, 200, 255);
const QColor kPrevious(0, 150, 0, 255);
const QColor kNext(150, 0, 150, 255);

QFont karaokeFont() { return QFont(QStringLiteral("Times New Roman"), 14, QFont::Normal); }

// Lays `text` out in rows of the line width, centred, top-aligned, breaking at word
// boundaries and inside a word only when the word alone is wider than a row. Rows sit on
// whole pixels one below the other, so no two rows share a pixel row.
void layOut(QTextLayout& layout)
{
    QTextOption option(Qt::AlignHCenter | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    int y = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(KaraView::kWidth);
        line.setPosition(QPointF(0, y));
        y += int(std::ceil(line.height()));
    }
    layout.endLayout();
}

// Draws `text` white-on-black style into `image` with `pen`, laid out as the current line is.
void drawLine(QImage& image, const QString& text, const QFont& font, const QColor& pen)
{
    image.fill(Qt::black);
    if (text.isEmpty())
        return;
    QTextLayout layout(text, font, &image);
    layOut(layout);
    QPainter painter(&image);
    painter.setPen(pen);
    layout.draw(&painter, QPointF(0, 0));
}

QImage lineImage(int height = KaraView::kLineHeight)
{
    QImage image(KaraView::kWidth, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    return image;
}
}  // namespace

KaraView::KaraView(QWidget* parent)
    : QWidget(parent), display(lineImage()), textImage(lineImage()), previousImage(lineImage()),
      nextImage(lineImage())
{
    setFixedSize(kWidth, kHeight);
    layoutCurrent(QString());
}

void KaraView::layoutCurrent(const QString& text)
{
    segs.clear();
    total = 0;
    QTextLayout layout(text, karaokeFont(), &textImage);
    layOut(layout);
    rowH = int(std::ceil(layout.lineCount() > 0 ? layout.lineAt(0).height() : 0));
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const int top = int(line.y());
        const int height = int(std::ceil(line.height()));
        int left = 0;
        int width = 0;
        if (line.textLength() > 0 && line.naturalTextWidth() > 0) {
            left = int(std::floor(line.cursorToX(line.textStart())));
            const int right =
                int(std::ceil(line.cursorToX(line.textStart()) + line.naturalTextWidth()));
            width = std::max(0, right - left);
        } else {
            left = kWidth / 2;
        }
        segs.emplace_back(left, top, width, height);
        total += unsigned(width);
    }
    if (segs.empty()) {
        rowH = QFontMetrics(karaokeFont(), &textImage).height();
        segs.emplace_back(kWidth / 2, 0, 0, rowH);
    }
}

void KaraView::setLines(const QString& current, const QString& previous, const QString& next)
{
    const QString text = sentencetext::paragraph(current).trimmed();
    layoutCurrent(text);
    // The text image holds every row, however many; the display shows the rows that fit.
    textImage = lineImage(std::max(kLineHeight, segs.back().bottom() + 1));
    drawLine(textImage, text, karaokeFont(), Qt::white);

    const QString prev = sentencetext::paragraph(previous).trimmed();
    const QString following = sentencetext::paragraph(next).trimmed();
    neighbours = !prev.isEmpty() || !following.isEmpty();
    // Neighbour rows use the painter's default font.
    drawLine(previousImage, prev, QFont(), kPrevious);
    drawLine(nextImage, following, QFont(), kNext);
    setProgress(0);
}

int KaraView::firstRowFor(int spokenRow) const
{
    const int rows = int(segs.size());
    const auto fits = [this](int from, int to) {
        return segs[std::size_t(to)].bottom() - segs[std::size_t(from)].top() < kLineHeight;
    };
    if (fits(0, rows - 1))
        return 0;
    // The spoken row in view, with the row before it above it while both fit; and no empty
    // space below the last row.
    int first = std::max(0, spokenRow - 1);
    while (first < spokenRow && !fits(first, spokenRow))
        ++first;
    while (first > 0 && fits(first - 1, rows - 1))
        --first;
    return first;
}

int KaraView::lastRowFrom(int first) const
{
    int last = first;
    while (last + 1 < int(segs.size()) &&
           segs[std::size_t(last + 1)].bottom() - segs[std::size_t(first)].top() < kLineHeight)
        ++last;
    return last;
}

void KaraView::setProgress(float fraction)
{
    if (!(fraction > 0))  // also catches NaN
        fraction = 0;
    if (fraction > 1)
        fraction = 1;
    long long spoken = static_cast<long long>(double(total) * double(fraction));

    // A colour mask, multiplied once over the white-on-black text: black stays black, the
    // letters take the mask's colour. Everything not yet spoken is magenta, so no letter
    // stays white even where a glyph reaches a little past its row's extent.
    QImage mask(kWidth, textImage.height(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(kUnspoken);
    {
        QPainter painter(&mask);
        long long rest = spoken;
        for (const QRect& row : segs) {
            const long long d = row.width();
            if (rest <= 0)
                break;
            if (rest >= d) {
                painter.fillRect(QRect(0, row.top(), kWidth, row.height()), kSpoken);
                rest -= d;
            } else {
                painter.fillRect(QRect(0, row.top(), row.left() + int(rest), row.height()),
                                 kSpoken);
                rest = 0;
            }
        }
    }
    // The row being spoken: the one the spoken part ends in, the last one at the end.
    int spokenRow = int(segs.size()) - 1;
    for (std::size_t k = 0; k < segs.size(); ++k) {
        if (spoken < segs[k].width()) {
            spokenRow = int(k);
            break;
        }
        spoken -= segs[k].width();
    }
    firstRow = firstRowFor(spokenRow);
    const int top = segs[std::size_t(firstRow)].top();

    display = lineImage();
    QPainter painter(&display);
    painter.drawImage(0, -top, textImage);
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.drawImage(0, -top, mask);
    if (textImage.height() > kLineHeight) {
        // Only whole rows: a row cut by the bottom edge would show half its letters.
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        const int rowsEnd = segs[std::size_t(lastRowFrom(firstRow))].bottom() + 1 - top;
        painter.fillRect(QRect(0, rowsEnd, kWidth, kLineHeight - rowsEnd), Qt::black);
    }
    painter.end();
    update();
}

void KaraView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const int h = height();
    painter.drawImage(0, h / 3, display);
    if (neighbours) {
        painter.drawImage(0, 0, previousImage);
        painter.drawImage(0, 2 * h / 3, nextImage);
    }
}
