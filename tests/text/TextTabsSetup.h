#pragma once
// Builds the text tabs the way the main window's form does: page 0 the karaoke line, page 1
// the sentence list (Arial 12 bold, no horizontal scroll bar, no undo, read-only, no text
// interaction, its own dark palette), page 2 a plain video page; page 1 current.
#include "KaraView.h"
#include "LrcLstView.h"
#include "TabsView.h"

#include <QColor>
#include <QImage>
#include <QPalette>
#include <memory>

namespace texttest {

inline QPalette listPalette()
{
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::black);
        palette.setColor(group, QPalette::Window, Qt::black);
        palette.setColor(group, QPalette::Text, QColor(225, 225, 225));
        palette.setColor(group, QPalette::Highlight, QColor(0, 110, 0));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return palette;
}

struct TextTabs {
    std::unique_ptr<TabsView> tabs;
    KaraView* kara = nullptr;
    LrcLstView* list = nullptr;
    QWidget* video = nullptr;
};

inline void addPages(TextTabs& t)
{
    t.kara = new KaraView;
    t.kara->setObjectName(QStringLiteral("karaLrc"));
    t.kara->setToolTip(QStringLiteral("当前句子"));
    t.list = new LrcLstView;
    t.list->setObjectName(QStringLiteral("lstLrc"));
    t.list->setToolTip(QStringLiteral("帮助文本"));
    t.list->setFont(QFont(QStringLiteral("Arial"), 12, QFont::Bold));
    t.list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t.list->setUndoRedoEnabled(false);
    t.list->setReadOnly(true);
    t.list->setTextInteractionFlags(Qt::NoTextInteraction);
    t.list->setPalette(listPalette());
    t.video = new QWidget;
    t.video->setObjectName(QStringLiteral("videoPage"));
    t.tabs->addTab(t.kara, QString());
    t.tabs->addTab(t.list, QString());
    t.tabs->addTab(t.video, QString());
    t.tabs->setTabToolTip(0, t.kara->toolTip());
    t.tabs->setTabToolTip(1, t.list->toolTip());
    t.tabs->setTabToolTip(2, QStringLiteral("帮助视频"));
    t.tabs->QTabWidget::setCurrentIndex(1);
}

// The tab widget at the size it has in the 666 x 480 main window.
inline TextTabs makeTextTabs()
{
    TextTabs t;
    t.tabs = std::make_unique<TabsView>();
    t.tabs->setObjectName(QStringLiteral("txtLrc"));
    t.tabs->resize(650, 290);
    addPages(t);
    return t;
}

// Colour classes of a pixel of the karaoke line. Only clearly lit pixels count as ink; the
// darker rims of anti-aliased letters are left out.
enum class Ink { None, Green, Magenta, White, Other };

inline Ink inkOf(QRgb p)
{
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (std::max({r, g, b}) < 90)
        return Ink::None;
    if (r > 150 && g > 150 && b > 150)
        return Ink::White;
    if (g > 2 * r + 20 && g > 2 * b + 20)
        return Ink::Green;
    if (r > 2 * g + 20 && b > 2 * g + 20)
        return Ink::Magenta;
    return Ink::Other;
}

struct InkCount {
    int green = 0, magenta = 0, white = 0, other = 0;
    int total() const { return green + magenta + white + other; }
};

inline InkCount countInk(const QImage& image, const QRect& area)
{
    InkCount c;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            switch (inkOf(image.pixel(x, y))) {
            case Ink::Green:
                ++c.green;
                break;
            case Ink::Magenta:
                ++c.magenta;
                break;
            case Ink::White:
                ++c.white;
                break;
            case Ink::Other:
                ++c.other;
                break;
            case Ink::None:
                break;
            }
        }
    }
    return c;
}

}  // namespace texttest
