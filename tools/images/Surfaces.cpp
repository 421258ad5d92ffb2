// Tab sheets, the control panel, sliders, the scroll bar, the balloon, the badge, the level
// icons, the export pictures, and the frames of the program icon and the loading animation.
#include "ImageKit.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include <array>

using namespace kit;

namespace {

// A shape with rounded top corners and a square bottom (a tab standing on its page).
QPainterPath tabShape(const QRectF& r, qreal radius)
{
    QPainterPath path(r.bottomLeft());
    path.lineTo(r.left(), r.top() + radius);
    path.arcTo(QRectF(r.left(), r.top(), 2 * radius, 2 * radius), 180, -90);
    path.lineTo(r.right() - radius, r.top());
    path.arcTo(QRectF(r.right() - 2 * radius, r.top(), 2 * radius, 2 * radius), 90, -90);
    path.lineTo(r.bottomRight());
    path.closeSubpath();
    return path;
}

// Phase tabs: neighbours overlap by 26 pixels, so an unselected tab is a pill inset by 14 on
// each side in the lower half (where its Chinese caption goes); the selected tab is a tall
// blue card that also holds the English caption in its upper half.
void phaseSheet(const QString& name, int w)
{
    sheet(name, w, 48, 1, 4, [w](QPainter& p, QRectF cell, State s, int) {
        const qreal extra = w - 171;  // the right-hand tab reaches the panel's edge
        const QRectF low(cell.left() + 14, cell.top() + 25, 143 + extra, 22);
        switch (s) {
        case Normal:
            pill(p, low, 7, {color::pale, color::line, color::ink});
            break;
        case Hover:
            pill(p, low, 7, {QColor(190, 228, 246), color::mid, color::ink});
            p.setPen(Qt::NoPen);
            p.setBrush(color::mid);
            p.drawRoundedRect(QRectF(low.center().x() - 14, low.top() + 2, 28, 2), 1, 1);
            break;
        case Pressed: {  // row 2: selected
            const QRectF card(cell.left() + 9, cell.top() + 2, 153 + extra, 45);
            QLinearGradient g(card.topLeft(), card.bottomLeft());
            g.setColorAt(0, color::deepHover);
            g.setColorAt(1, color::deep);
            p.setPen(QPen(color::deepPressed, 1));
            p.setBrush(g);
            p.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
            p.setPen(QPen(QColor(255, 255, 255, 70), 1));
            p.drawLine(QPointF(card.left() + 12, card.center().y() + 0.5),
                       QPointF(card.right() - 12, card.center().y() + 0.5));
            break;
        }
        case Disabled:
            pill(p, low, 7, {color::grey, color::greyLine, color::greyInk});
            break;
        }
    });
}

// Library level tabs: only rows 5..32 of each 38-pixel row show (the bar's margins are -5).
void matSheet(const QString& name, int w, const QString& text)
{
    sheet(name, w, 38, 1, 4, [text](QPainter& p, QRectF cell, State s, int) {
        const QRectF r = cell.adjusted(1.5, 6.5, -1.5, -4.5);
        Face f;
        switch (s) {
        case Hover:
            f = {QColor(196, 230, 246), color::mid, color::deep};
            break;
        case Pressed:  // row 2: selected
            f = {color::deep, color::deep, color::white};
            break;
        case Disabled:
            f = {color::grey, color::greyLine, color::greyInk};
            break;
        default:
            f = {color::pale, color::line, color::ink};
        }
        p.setPen(QPen(f.border, 1));
        p.setBrush(f.fill);
        p.drawPath(tabShape(r, 6));
        if (!text.isEmpty())
            caption(p, r, text, f.content, 14, s == Pressed);
    });
}

void tabs()
{
    phaseSheet("bg-tab-chrome.png", 171);
    phaseSheet("bg-tab-chrome-right.png", 180);
    matSheet("bg-tab-mat.png", 99, QString());
    matSheet("bg-tab-mat0.png", 100, QStringLiteral("初级"));
    matSheet("bg-tab-mat1.png", 99, QStringLiteral("中级"));
    matSheet("bg-tab-mat2.png", 100, QStringLiteral("高级"));
    // Text page dots: hollow, hovered, selected.
    sheet("bg-tab-dot.png", 21, 21, 1, 4, [](QPainter& p, QRectF cell, State s, int) {
        const QPointF c = cell.center();
        switch (s) {
        case Normal:
            p.setPen(QPen(color::mid, 1.5));
            p.setBrush(color::white);
            p.drawEllipse(c, 4.5, 4.5);
            break;
        case Hover:
            p.setPen(QPen(color::deep, 1.5));
            p.setBrush(color::light);
            p.drawEllipse(c, 5.5, 5.5);
            break;
        case Pressed:  // row 2: selected
            p.setPen(QPen(color::light, 2));
            p.setBrush(color::deep);
            p.drawEllipse(c, 6.5, 6.5);
            break;
        case Disabled:
            p.setPen(QPen(color::greyLine, 1.5));
            p.setBrush(color::grey);
            p.drawEllipse(c, 4.5, 4.5);
            break;
        }
    });
}

// The control panel: a pale card hanging below the main window, rounded at the bottom.
void panel()
{
    const auto face = [](QPainter& p, const QRectF& r) {
        QLinearGradient g(0, 0, 0, 90);
        g.setColorAt(0, color::white);
        g.setColorAt(1, color::paler);
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawRect(r);
    };
    QImage mid = canvas(5, 90);
    {
        Painter p(&mid);
        face(p, QRectF(0, 0, 5, 90));
        p.fillRect(QRectF(0, 0, 5, 2), color::mid);
        p.fillRect(QRectF(0, 89, 5, 1), color::line);
    }
    save(mid, "bg-float-control.png");
    for (int side = 0; side < 2; ++side) {
        QImage cap = canvas(17, 90);
        {
            Painter p(&cap);
            if (side == 1)  // mirror: the right cap is the left one flipped
                p.setTransform(QTransform(-1, 0, 0, 1, 17, 0));
            QPainterPath shape;
            shape.moveTo(17, 0);
            shape.lineTo(0, 0);
            shape.lineTo(0, 78);
            shape.arcTo(QRectF(0, 66, 24, 24), 180, 90);
            shape.lineTo(17, 90);
            shape.closeSubpath();
            p.setClipPath(shape);
            face(p, QRectF(0, 0, 17, 90));
            p.fillRect(QRectF(0, 0, 17, 2), color::mid);
            p.setClipping(false);
            QPainterPath edge;
            edge.moveTo(0.5, 2);
            edge.lineTo(0.5, 78);
            edge.arcTo(QRectF(0.5, 66.5, 23, 23), 180, 90);
            edge.lineTo(17, 89.5);
            p.setPen(QPen(color::line, 1));
            p.setBrush(Qt::NoBrush);
            p.drawPath(edge);
        }
        save(cap, side == 0 ? "bg-float-control-left.png" : "bg-float-control-right.png");
    }
}

// A 1-pixel-wide strip stretched along a slider, coloured row by row.
void strip(const QString& name, const std::initializer_list<QColor>& rows)
{
    QImage image = canvas(1, int(rows.size()));
    int y = 0;
    for (const QColor& c : rows)
        image.setPixelColor(0, y++, c);
    save(image, name);
}

void knob(const QString& name, int w, int h, qreal radius)
{
    QImage image = canvas(w, h);
    Painter p(&image);
    p.setPen(QPen(color::deep, 1.4));
    p.setBrush(color::white);
    p.drawRoundedRect(QRectF(0.7, 0.7, w - 1.4, h - 1.4), radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(color::deep);
    p.drawRoundedRect(QRectF(w / 2.0 - 1, h * 0.3, 2, h * 0.4), 1, 1);
    p.end();
    save(image, name);
}

void sliders()
{
    strip("bg-volslider-normal.png",
          {QColor(190, 210, 221), color::idle, color::idle, QColor(214, 230, 238)});
    strip("bg-volslider-light.png", {color::mid, QColor(72, 154, 192), color::wave, color::deep});
    knob("bg-volslider-seeker.png", 6, 14, 2);
    strip("bg-wikislider-normal.png",
          {QColor(0, 0, 0, 0), QColor(180, 203, 216), color::idle, color::idle, color::idle,
           color::idle, QColor(214, 230, 238), QColor(0, 0, 0, 0)});
    strip("bg-wikislider-light.png",
          {QColor(0, 0, 0, 0), color::light, QColor(128, 194, 224), color::mid,
           QColor(72, 154, 192), color::wave, color::deep, QColor(0, 0, 0, 0)});
    knob("bg-wikislider-seeker.png", 11, 20, 4);
}

// The scroll bar: a thin pale rail with a blue handle, both with round ends.
void scrollBar()
{
    const auto part = [](const QString& name, int h, const QColor& fill, qreal inset, int cap) {
        QImage image = canvas(11, h);
        Painter p(&image);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        const qreal w = 11 - 2 * inset;
        if (cap == 0)
            p.drawRect(QRectF(inset, 0, w, h));
        else  // a half-round end: the top (cap 1) or the bottom (cap 2) of a long rounded bar
            p.drawRoundedRect(QRectF(inset, cap == 1 ? 0 : -h, w, 2.0 * h), w / 2,
                              qMin<qreal>(h, w / 2));
        p.end();
        save(image, name);
    };
    const QColor rail(228, 240, 247);
    part("bg-echorascrollbar-begin.png", 3, rail, 2, 1);
    part("bg-echorascrollbar-mid.png", 1, rail, 2, 0);
    part("bg-echorascrollbar-end.png", 3, rail, 2, 2);
    part("bg-echorascrollbar-btnbegin.png", 4, color::mid, 2, 1);
    part("bg-echorascrollbar-btnmid.png", 1, color::mid, 2, 0);
    part("bg-echorascrollbar-btnend.png", 3, color::mid, 2, 2);
}

// The balloon: a dark rounded body whose bottom fifth is the pointer.
void balloon()
{
    QImage image = canvas(72, 27);
    Painter p(&image);
    QPainterPath body;
    body.addRoundedRect(QRectF(0.5, 0.5, 71, 21), 5, 5);
    body.moveTo(30, 21.5);
    body.lineTo(36, 26.5);
    body.lineTo(42, 21.5);
    body.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(7, 53, 77, 235));
    p.drawPath(body.simplified());
    p.end();
    save(image, "bg-balloon-tip.png");
}

// The count badge: a red pill at the top of the picture, where the count is written.
void badge()
{
    QImage image = canvas(20, 32);
    Painter p(&image);
    p.setPen(QPen(color::white, 1.2));
    p.setBrush(color::red);
    p.drawRoundedRect(QRectF(0.6, 0.6, 18.8, 16.8), 8.4, 8.4);
    p.end();
    save(image, "bg-matnum.png");
}

const std::array<const char*, 5> kLevels{"000", "025", "050", "075", "100"};

// Microphone gain: a microphone and four level bars; the 100 picture is one pixel wider.
void micLevels()
{
    for (int level = 0; level < 5; ++level) {
        const int w = level == 4 ? 20 : 19;
        QImage image = canvas(w, 13);
        Painter p(&image);
        const QColor mic = level == 0 ? color::greyInk : color::deep;
        p.setPen(Qt::NoPen);
        p.setBrush(mic);
        p.drawRoundedRect(QRectF(2, 0.5, 4, 7.5), 2, 2);
        p.setPen(QPen(mic, 1.1));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(0.8, 3, 6.4, 6.5), 180 * 16, 180 * 16);
        p.drawLine(QPointF(4, 9.5), QPointF(4, 12));
        p.drawLine(QPointF(2, 12.4), QPointF(6, 12.4));
        if (level == 0) {
            p.setPen(QPen(color::red, 1.3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(0.8, 1), QPointF(7.2, 11));
        }
        p.setPen(Qt::NoPen);
        for (int bar = 0; bar < 4; ++bar) {
            const qreal bw = bar == 3 && level == 4 ? 3 : 2;
            const qreal h = 3 + bar * 3;
            p.setBrush(bar < level ? color::deep : color::idle);
            p.drawRoundedRect(QRectF(9 + bar * 2.5 + (bar == 3 ? 0.5 : 0), 13 - h, bw, h), 0.6,
                              0.6);
        }
        p.end();
        save(image, QStringLiteral("recvol%1.png").arg(QLatin1String(kLevels[level])));
    }
}

// Volume: a speaker and four arcs, as many blue as the level; a red cross when silent.
void speakerLevels()
{
    for (int level = 0; level < 5; ++level) {
        QImage image = canvas(22, 22);
        Painter p(&image);
        const QColor body = level == 0 ? color::greyInk : color::deep;
        QPainterPath speaker(QPointF(2, 8.5));
        speaker.lineTo(5.5, 8.5);
        speaker.lineTo(10, 4.5);
        speaker.lineTo(10, 17.5);
        speaker.lineTo(5.5, 13.5);
        speaker.lineTo(2, 13.5);
        speaker.closeSubpath();
        p.setPen(QPen(body, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(body);
        p.drawPath(speaker);
        if (level == 0) {
            p.setPen(QPen(color::red, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(13.5, 8), QPointF(19.5, 14));
            p.drawLine(QPointF(19.5, 8), QPointF(13.5, 14));
        } else {
            for (int arc = 0; arc < 4; ++arc) {
                const qreal r = 2.5 + arc * 2.6;
                p.setPen(QPen(arc < level ? color::deep : color::idle, 1.4, Qt::SolidLine,
                              Qt::RoundCap));
                p.setBrush(Qt::NoBrush);
                p.drawArc(QRectF(10 - r + 1, 11 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
            }
        }
        p.end();
        save(image, QStringLiteral("volumer%1.png").arg(QLatin1String(kLevels[level])));
    }
}

void exportPictures()
{
    QImage pointer = canvas(15, 12);
    {
        Painter p(&pointer);
        p.setPen(QPen(color::deep, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(5, 1.5), QPointF(1.5, 1.5), QPointF(1.5, 10.5),
                                  QPointF(11, 10.5), QPointF(11, 7.5)}));
        p.drawLine(QPointF(5.5, 6.5), QPointF(13, 1.5));
        p.drawPolyline(QPolygonF({QPointF(9, 1.2), QPointF(13.3, 1.2), QPointF(13.3, 5)}));
    }
    save(pointer, "bg-export-pointer.png");

    QImage title = canvas(146, 32);
    {
        Painter p(&title);
        p.setPen(Qt::NoPen);
        p.setBrush(color::deep);
        p.drawRoundedRect(QRectF(1, 3, 144, 26), 13, 13);
        p.setPen(QPen(color::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        // a microphone: what is exported are the learner's recordings
        p.drawRoundedRect(QRectF(13, 8, 6, 10), 3, 3);
        p.drawArc(QRectF(10.5, 11, 11, 10), 180 * 16, 180 * 16);
        p.drawLine(QPointF(16, 21), QPointF(16, 24));
        caption(p, QRectF(26, 3, 116, 26), QStringLiteral("导出录音文件"), color::white, 15, true);
    }
    save(title, "bg-export-wndicon.png");
}

}  // namespace

void paintSurfaces()
{
    tabs();
    panel();
    sliders();
    scrollBar();
    balloon();
    badge();
    micLevels();
    speakerLevels();
    exportPictures();
}

// The program icon at one size: a blue rounded square with a white waveform.
QImage paintAppIcon(int size)
{
    QImage image = canvas(size, size);
    Painter p(&image);
    const qreal s = size;
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, color::mid);
    g.setColorAt(1, color::deep);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.22, s * 0.22);
    const std::array<qreal, 5> heights{0.30, 0.58, 0.80, 0.50, 0.26};
    const int bars = size < 24 ? 3 : 5;
    const qreal slot = s * 0.72 / bars;
    const qreal bw = slot * 0.58;
    p.setBrush(color::white);
    for (int i = 0; i < bars; ++i) {
        const qreal h = s * heights[size < 24 ? i + 1 : i];
        const qreal x = s * 0.14 + i * slot + (slot - bw) / 2;
        p.drawRoundedRect(QRectF(x, (s - h) / 2, bw, h), bw / 2, bw / 2);
    }
    p.end();
    return image;
}

// One frame of the loading overlay: a ring of dots turning, and what is happening.
QImage paintLoadingFrame(int frame)
{
    QImage image = canvas(295, 485);
    image.fill(color::paler);
    Painter p(&image);
    const QPointF c(147.5, 215);
    const int dots = 12;
    for (int i = 0; i < dots; ++i) {
        const int age = (frame - i + 2 * dots) % dots;  // 0: the head of the turning trail
        const qreal t = qreal(age) / dots;
        QColor col = color::deep;
        col.setRgbF(color::deep.redF() + (color::idle.redF() - color::deep.redF()) * t,
                    color::deep.greenF() + (color::idle.greenF() - color::deep.greenF()) * t,
                    color::deep.blueF() + (color::idle.blueF() - color::deep.blueF()) * t);
        const qreal a = 2 * M_PI * i / dots - M_PI / 2;
        const qreal r = 4.5 - 1.5 * t;
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        p.drawEllipse(QPointF(c.x() + 22 * qCos(a), c.y() + 22 * qSin(a)), r, r);
    }
    caption(p, QRectF(0, 255, 295, 24), QStringLiteral("正在获取在线材料…"), color::ink, 14);
    caption(p, QRectF(0, 279, 295, 20), QStringLiteral("请稍候"), color::mid, 12);
    p.end();
    return image;
}
