#pragma once
// The drawing kit of the picture generator: the palette, fonts, the output folder and the
// shapes that several pictures share (pills, circles, captions).
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <functional>

namespace kit {

// One blue family, from the waveform gradient (24,120,164)->(157,214,240) and the export bars
// #6CB1CF->#1171A3; a warm red only for recording and the count badge.
namespace color {
inline const QColor deep{17, 113, 163};       // #1171A3: selected, primary, play
inline const QColor deepHover{31, 134, 184};  // lighter when the pointer is on it
inline const QColor deepPressed{11, 88, 128};
inline const QColor wave{24, 120, 164};
inline const QColor mid{108, 177, 207};  // #6CB1CF
inline const QColor light{157, 214, 240};
inline const QColor pale{214, 237, 248};      // unselected tabs, hover of light buttons
inline const QColor paler{234, 246, 252};     // light buttons, panel
inline const QColor ink{7, 53, 77};           // dark text on light blue
inline const QColor line{140, 195, 221};      // borders of light shapes
inline const QColor idle{201, 220, 230};      // inactive level marks, tracks
inline const QColor grey{226, 231, 234};      // disabled fill
inline const QColor greyLine{190, 200, 206};  // disabled border
inline const QColor greyInk{150, 162, 170};   // disabled text and glyphs
inline const QColor red{214, 64, 69};
inline const QColor redHover{229, 84, 88};
inline const QColor redPressed{178, 44, 50};
inline const QColor white{255, 255, 255};
}  // namespace color

// The four rows of a button sheet, top to bottom.
enum State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

// Where the pictures go; set once by main.
void setOutputDir(const QString& dir);
QString outputPath(const QString& name);

// A transparent canvas and its saving (PNG, no metadata, so repeated runs give equal files).
QImage canvas(int w, int h);
void save(const QImage& image, const QString& name);

// A painter with antialiasing on.
struct Painter : QPainter {
    explicit Painter(QImage* image);
};

// The caption font: WenQuanYi Micro Hei at a pixel size, so Chinese renders as glyphs.
QFont captionFont(int pixelSize, bool bold = false);

// A sheet of rows x cols cells, each painted by draw(painter, cell, state row, column).
using CellPainter = std::function<void(QPainter&, const QRectF&, State, int)>;
void sheet(const QString& name, int cellW, int cellH, int cols, int rows, const CellPainter& draw);

// The colours of a button face in a state: fill, border, content (text and glyphs).
struct Face {
    QColor fill;
    QColor border;
    QColor content;
};
Face lightFace(State s);    // white-blue buttons whose text is drawn dark
Face checkedFace(State s);  // light buttons that are switched on
Face deepFace(State s);     // primary blue buttons with white content
Face redFace(State s);      // recording in progress

// A rounded rectangle with a 1-pixel border, inside r (pixel-aligned).
void pill(QPainter& p, const QRectF& r, qreal radius, const Face& face);
// A caption centred in r, shifted one pixel down when pressed.
void caption(QPainter& p, const QRectF& r, const QString& text, const QColor& c, int pixelSize,
             bool bold = false);

}  // namespace kit
