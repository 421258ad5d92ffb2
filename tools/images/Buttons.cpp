// Button sheets: four rows (normal, hover, pressed, disabled), and for toggles two columns
// (off on the left, on on the right).
#include "ImageKit.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPolygonF>

using namespace kit;

namespace {

// Content moves one pixel down while pressed, so a press reads as a push.
QRectF content(const QRectF& cell, State s) { return s == Pressed ? cell.translated(0, 1) : cell; }

void glyphPlay(QPainter& p, const QPointF& c, qreal size, const QColor& col)
{
    const qreal h = size, w = size * 0.87;
    const QPolygonF tri({QPointF(c.x() - w / 3, c.y() - h / 2), QPointF(c.x() + w * 2 / 3, c.y()),
                         QPointF(c.x() - w / 3, c.y() + h / 2)});
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawPolygon(tri);
}

void glyphPause(QPainter& p, const QPointF& c, qreal size, const QColor& col)
{
    const qreal bar = size * 0.32;
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawRoundedRect(QRectF(c.x() - size / 2, c.y() - size / 2, bar, size), 0.8, 0.8);
    p.drawRoundedRect(QRectF(c.x() + size / 2 - bar, c.y() - size / 2, bar, size), 0.8, 0.8);
}

void glyphSquare(QPainter& p, const QPointF& c, qreal size, const QColor& col)
{
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawRoundedRect(QRectF(c.x() - size / 2, c.y() - size / 2, size, size), 1.2, 1.2);
}

// An icon of width iconW followed by a caption, the pair centred in r.
void iconAndText(QPainter& p, const QRectF& r, qreal iconW, const QString& text, int px,
                 const QColor& col, const std::function<void(const QRectF&)>& icon)
{
    const QFont font = captionFont(px);
    const qreal gap = 5;
    const qreal textW = QFontMetricsF(font).horizontalAdvance(text);
    const qreal left = r.left() + (r.width() - iconW - gap - textW) / 2;
    icon(QRectF(left, r.top(), iconW, r.height()));
    p.setFont(font);
    p.setPen(col);
    p.drawText(QRectF(left + iconW + gap, r.top(), textW + 2, r.height()),
               Qt::AlignLeft | Qt::AlignVCenter, text);
}

void circleFace(QPainter& p, const QRectF& cell, const Face& f)
{
    const qreal d = qMin(cell.width(), cell.height()) - 1;
    const QRectF c(cell.center().x() - d / 2, cell.center().y() - d / 2, d, d);
    p.setPen(QPen(f.border, 1));
    p.setBrush(f.fill);
    p.drawEllipse(c);
}

// The "on" face of the round play button: white with a blue ring.
Face ringFace(State s)
{
    switch (s) {
    case Hover:
        return {color::pale, color::deepHover, color::deepHover};
    case Pressed:
        return {color::light, color::deepPressed, color::deepPressed};
    case Disabled:
        return {color::grey, color::greyLine, color::greyInk};
    default:
        return {color::white, color::deep, color::deep};
    }
}

void playButtons()
{
    sheet("btn-wikipauser-check.png", 21, 21, 2, 4, [](QPainter& p, QRectF cell, State s, int col) {
        const QPointF c = content(cell, s).center();
        if (col == 0) {  // stopped: a filled blue disc with a play triangle
            circleFace(p, cell, deepFace(s));
            glyphPlay(p, c, 9, deepFace(s).content);
        } else {  // playing: a ring with the pause bars
            const Face f = ringFace(s);
            circleFace(p, cell.adjusted(0.5, 0.5, -0.5, -0.5), f);
            p.setPen(QPen(f.border, 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(cell.adjusted(1.3, 1.3, -1.3, -1.3));
            glyphPause(p, c, 8, f.content);
        }
    });
    sheet("btn-wikistopper-press.png", 21, 21, 1, 4, [](QPainter& p, QRectF cell, State s, int) {
        circleFace(p, cell, deepFace(s));
        glyphSquare(p, content(cell, s).center(), 7, deepFace(s).content);
    });
}

void smallPanelButtons()
{
    sheet("btn-PlotCtrlView-check.png", 35, 20, 2, 4,
          [](QPainter& p, QRectF cell, State s, int col) {
              pill(p, cell.adjusted(0, 1, 0, -1), 4, col == 0 ? lightFace(s) : checkedFace(s));
          });
    sheet("btn-PlotCtrlView-press.png", 35, 20, 1, 4, [](QPainter& p, QRectF cell, State s, int) {
        pill(p, cell.adjusted(0, 1, 0, -1), 4, lightFace(s));
    });
    sheet("btn-help-press.png", 19, 18, 1, 4, [](QPainter& p, QRectF cell, State s, int) {
        const Face f = lightFace(s);
        circleFace(p, cell, f);
        caption(p, content(cell, s), QStringLiteral("?"), s == Disabled ? f.content : color::deep,
                12, true);
    });
    sheet("btn-matshow-press.png", 19, 18, 1, 4, [](QPainter& p, QRectF cell, State s, int) {
        const Face f = lightFace(s);
        pill(p, cell, 4, f);
        const QRectF r = content(cell, s);
        const QColor ink = s == Disabled ? f.content : color::deep;
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (int i = 0; i < 3; ++i) {  // a list: three bullets and lines
            const qreal y = r.top() + 5 + i * 3.5;
            p.drawEllipse(QRectF(r.left() + 4, y - 0.1, 2.2, 2.2));
            p.drawRect(QRectF(r.left() + 7.5, y + 0.3, 7.5, 1.4));
        }
    });
}

void recordButton()
{
    sheet("btn-recctrl-check.png", 89, 26, 2, 4, [](QPainter& p, QRectF cell, State s, int col) {
        const QRectF body = cell.adjusted(1, 1, -1, -1);
        const QRectF r = content(body, s);
        if (col == 0) {  // ready: a red dot asks to record
            const Face f = lightFace(s);
            pill(p, body, 12, f);
            const QColor dot = s == Disabled ? f.content
                               : s == Hover  ? color::redHover
                                             : color::red;
            iconAndText(p, r, 10, QStringLiteral("开始录音"), 13, f.content, [&](QRectF ic) {
                p.setPen(Qt::NoPen);
                p.setBrush(dot);
                p.drawEllipse(QPointF(ic.center().x(), ic.center().y()), 5, 5);
            });
        } else {  // recording: red, with the stop square
            const Face f = redFace(s);
            pill(p, body, 12, f);
            iconAndText(p, r, 9, QStringLiteral("停止录音"), 13, f.content,
                        [&](QRectF ic) { glyphSquare(p, ic.center(), 9, f.content); });
        }
    });
}

void cloudDown(QPainter& p, const QRectF& ic, const QColor& col)
{
    const QPointF c = ic.center();
    p.setPen(QPen(col, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(c.x(), c.y() - 6), QPointF(c.x(), c.y() + 3));
    p.drawPolyline(QPolygonF({QPointF(c.x() - 3.5, c.y() - 0.5), QPointF(c.x(), c.y() + 3),
                              QPointF(c.x() + 3.5, c.y() - 0.5)}));
    p.drawLine(QPointF(c.x() - 6, c.y() + 6), QPointF(c.x() + 6, c.y() + 6));
}

void backArrow(QPainter& p, const QRectF& ic, const QColor& col)
{
    const QPointF c = ic.center();
    p.setPen(QPen(col, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path(QPointF(c.x() - 5, c.y() - 2));
    path.lineTo(c.x() + 2, c.y() - 2);
    path.arcTo(QRectF(c.x() - 1, c.y() - 2, 8, 8), 90, -180);
    path.lineTo(c.x() - 2, c.y() + 6);
    p.drawPath(path);
    p.drawPolyline(QPolygonF({QPointF(c.x() - 2, c.y() - 5.5), QPointF(c.x() - 5.5, c.y() - 2),
                              QPointF(c.x() - 2, c.y() + 1.5)}));
}

void plus(QPainter& p, const QRectF& ic, const QColor& col)
{
    const QPointF c = ic.center();
    p.setPen(QPen(col, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - 5, c.y()), QPointF(c.x() + 5, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 5), QPointF(c.x(), c.y() + 5));
}

void folder(QPainter& p, const QRectF& ic, const QColor& col)
{
    const QPointF c = ic.center();
    p.setPen(QPen(col, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path(QPointF(c.x() - 6, c.y() + 4.5));
    path.lineTo(c.x() - 6, c.y() - 4.5);
    path.lineTo(c.x() - 2, c.y() - 4.5);
    path.lineTo(c.x() - 0.5, c.y() - 3);
    path.lineTo(c.x() + 6, c.y() - 3);
    path.lineTo(c.x() + 6, c.y() + 4.5);
    path.closeSubpath();
    p.drawPath(path);
    p.drawLine(QPointF(c.x() - 6, c.y() - 1), QPointF(c.x() + 6, c.y() - 1));
}

void shareOut(QPainter& p, const QRectF& ic, const QColor& col)
{
    const QPointF c = ic.center();
    p.setPen(QPen(col, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(c.x() - 2, c.y() - 5), QPointF(c.x() - 5.5, c.y() - 5),
                              QPointF(c.x() - 5.5, c.y() + 5.5), QPointF(c.x() + 5, c.y() + 5.5),
                              QPointF(c.x() + 5, c.y() + 2)}));
    p.drawLine(QPointF(c.x() - 1, c.y() + 1), QPointF(c.x() + 5.5, c.y() - 5.5));
    p.drawPolyline(QPolygonF({QPointF(c.x() + 1, c.y() - 5.5), QPointF(c.x() + 5.5, c.y() - 5.5),
                              QPointF(c.x() + 5.5, c.y() - 1)}));
}

// A one-column sheet of pill buttons carrying an icon and a caption. On light faces the icon
// is blue, on others it takes the caption's colour.
using Icon = void (*)(QPainter&, const QRectF&, const QColor&);
void iconButton(const char* name, int w, int h, qreal radius, Face (*faceOf)(State), Icon icon,
                const QString& text, int px)
{
    sheet(name, w, h, 1, 4, [=](QPainter& p, QRectF cell, State s, int) {
        const QRectF body = cell.adjusted(1, 1, -1, -1);
        const Face f = faceOf(s);
        pill(p, body, radius, f);
        const QColor iconColor = faceOf == lightFace && s != Disabled ? color::deep : f.content;
        iconAndText(p, content(body, s), 12, text, px, f.content,
                    [&](QRectF ic) { icon(p, ic, iconColor); });
    });
}

void libraryButtons()
{
    iconButton("btn-import-press.png", 65, 26, 5, lightFace, plus, QStringLiteral("导入"), 13);
    sheet("btn-download-check.png", 111, 26, 2, 4, [](QPainter& p, QRectF cell, State s, int col) {
        const QRectF body = cell.adjusted(1, 1, -1, -1);
        const QRectF r = content(body, s);
        if (col == 0) {  // local lists shown: go to the online lists
            const Face f = lightFace(s);
            pill(p, body, 5, f);
            iconAndText(p, r, 12, QStringLiteral("在线材料"), 13, f.content, [&](QRectF ic) {
                cloudDown(p, ic, s == Disabled ? f.content : color::deep);
            });
        } else {  // online lists shown: the way back, in the selected blue
            const Face f = deepFace(s);
            pill(p, body, 5, f);
            iconAndText(p, r, 12, QStringLiteral("返回本地"), 13, f.content,
                        [&](QRectF ic) { backArrow(p, ic, f.content); });
        }
    });
    sheet("btn-popdlg.png", 80, 26, 1, 4, [](QPainter& p, QRectF cell, State s, int) {
        pill(p, cell.adjusted(1, 1, -1, -1), 5, lightFace(s));
    });
}

void exportButtons()
{
    iconButton("btn-exporter-export.png", 80, 26, 5, deepFace, shareOut, QStringLiteral("导出"),
               13);
    sheet("btn-exporter-cancel.png", 80, 26, 1, 4, [](QPainter& p, QRectF cell, State s, int) {
        const QRectF body = cell.adjusted(1, 1, -1, -1);
        const Face f = lightFace(s);
        pill(p, body, 5, f);
        caption(p, content(body, s), QStringLiteral("取消"), f.content, 13);
    });
    iconButton("btn-exporter-scan.png", 68, 21, 4, lightFace, folder, QStringLiteral("浏览…"), 12);
}

}  // namespace

void paintButtons()
{
    playButtons();
    smallPanelButtons();
    recordButton();
    libraryButtons();
    exportButtons();
}
