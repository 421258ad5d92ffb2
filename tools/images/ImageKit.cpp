#include "ImageKit.h"

#include <QDir>
#include <QImageWriter>

#include <cstdio>
#include <cstdlib>

namespace kit {

namespace {
QString outDir;
}

void setOutputDir(const QString& dir) { outDir = dir; }

QString outputPath(const QString& name) { return QDir(outDir).filePath(name); }

QImage canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(3780);  // 96 dpi, fixed so the files do not depend on the screen
    image.setDotsPerMeterY(3780);
    return image;
}

void save(const QImage& image, const QString& name)
{
    QImageWriter writer(outputPath(name), "png");
    writer.setCompression(9);
    if (!writer.write(image.convertToFormat(QImage::Format_ARGB32))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(outputPath(name)),
                     qPrintable(writer.errorString()));
        std::exit(1);
    }
}

Painter::Painter(QImage* image) : QPainter(image)
{
    setRenderHint(QPainter::Antialiasing);
    setRenderHint(QPainter::TextAntialiasing);
    setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont captionFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void sheet(const QString& name, int cellW, int cellH, int cols, int rows, const CellPainter& draw)
{
    QImage image = canvas(cellW * cols, cellH * rows);
    Painter p(&image);
    for (int col = 0; col < cols; ++col) {
        for (int row = 0; row < rows; ++row) {
            p.save();
            p.setClipRect(QRect(col * cellW, row * cellH, cellW, cellH));
            draw(p, QRectF(col * cellW, row * cellH, cellW, cellH), State(row), col);
            p.restore();
        }
    }
    p.end();
    save(image, name);
}

// Each face in the order of the sheet rows: normal, hover, pressed, disabled.
Face lightFace(State s)
{
    static const Face faces[4] = {{color::paler, color::line, color::ink},
                                  {QColor(200, 232, 247), color::mid, color::ink},
                                  {color::light, color::deep, color::ink},
                                  {color::grey, color::greyLine, color::greyInk}};
    return faces[s];
}

Face checkedFace(State s)
{
    static const Face faces[4] = {{color::light, color::deep, color::ink},
                                  {QColor(178, 224, 245), color::deep, color::ink},
                                  {QColor(134, 201, 232), color::deepPressed, color::ink},
                                  {QColor(214, 226, 232), color::greyLine, color::greyInk}};
    return faces[s];
}

Face deepFace(State s)
{
    static const Face faces[4] = {
        {color::deep, color::deep, color::white},
        {color::deepHover, color::deepHover, color::white},
        {color::deepPressed, color::deepPressed, color::white},
        {QColor(184, 196, 203), QColor(184, 196, 203), QColor(240, 243, 245)}};
    return faces[s];
}

Face redFace(State s)
{
    static const Face faces[4] = {
        {color::red, color::red, color::white},
        {color::redHover, color::redHover, color::white},
        {color::redPressed, color::redPressed, color::white},
        {QColor(214, 178, 180), QColor(214, 178, 180), QColor(246, 238, 238)}};
    return faces[s];
}

void pill(QPainter& p, const QRectF& r, qreal radius, const Face& face)
{
    const QRectF inner = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(face.border, 1));
    p.setBrush(face.fill);
    p.drawRoundedRect(inner, radius, radius);
}

void caption(QPainter& p, const QRectF& r, const QString& text, const QColor& c, int pixelSize,
             bool bold)
{
    p.setFont(captionFont(pixelSize, bold));
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

}  // namespace kit
