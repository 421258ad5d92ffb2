#pragma once
// Helpers for the skinned-window tests: test skins written beside the test program (where
// skin settings paths are resolved), synthetic mouse events at global positions, and pixels.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

namespace skinfixture {

// Colours of the test skin: every border piece one colour, and each button state its own.
inline const QColor kFrame(0x20, 0x40, 0x80);
inline const QColor kNormal(0, 0, 255);
inline const QColor kHover(0, 255, 0);
inline const QColor kPressed(255, 0, 0);
inline constexpr int kCornerRadius = 10;
inline constexpr int kButtonWidth = 16;
inline constexpr int kButtonHeight = 14;

struct Borders {
    int left = 7;
    int top = 24;
    int right = 5;
    int bottom = 9;
};

// An SVG skin with the given border sizes: a top-left corner rounded with kCornerRadius, solid
// pieces otherwise, and solid buttons; `omit` names an element to leave out.
inline QByteArray svgSkin(const Borders& b, const QString& omit = QString())
{
    QString out = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"600\" "
                                 "height=\"200\" viewBox=\"0 0 600 200\">\n");
    const QString frame = kFrame.name();
    const auto rect = [&](const QString& id, int x, int y, int w, int h, const QString& fill) {
        if (id != omit)
            out += QStringLiteral("<rect id=\"%1\" x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\" "
                                  "fill=\"%6\"/>\n")
                       .arg(id)
                       .arg(x)
                       .arg(y)
                       .arg(w)
                       .arg(h)
                       .arg(fill);
    };
    const int r = kCornerRadius;
    const int tlw = 2 * r;
    out += QStringLiteral("<path id=\"border_topleft\" d=\"M%1,0 H%2 V%3 H0 V%1 A%1,%1 0 0 1 "
                          "%1,0 Z\" fill=\"%4\"/>\n")
               .arg(r)
               .arg(tlw)
               .arg(b.top)
               .arg(frame);
    rect(QStringLiteral("border_top"), 30, 0, 20, b.top, frame);
    rect(QStringLiteral("border_topright"), 60, 0, 80, b.top, frame);
    rect(QStringLiteral("border_left"), 150, 0, b.left, 20, frame);
    rect(QStringLiteral("border_right"), 170, 0, b.right, 20, frame);
    rect(QStringLiteral("border_bottom"), 190, 0, 20, b.bottom, frame);
    rect(QStringLiteral("border_bottomleft"), 220, 0, b.left, b.bottom, frame);
    rect(QStringLiteral("border_bottomright"), 240, 0, b.right, b.bottom, frame);
    int x = 0;
    for (const char* kind : {"close", "maximize", "minimize"}) {
        const std::pair<const char*, QColor> states[] = {
            {"normal", kNormal}, {"hover", kHover}, {"pressed", kPressed}};
        for (const auto& [state, colour] : states) {
            rect(QStringLiteral("%1_button_%2").arg(QLatin1String(kind), QLatin1String(state)), x,
                 100, kButtonWidth, kButtonHeight, colour.name());
            x += kButtonWidth + 4;
        }
    }
    return (out + QStringLiteral("</svg>\n")).toUtf8();
}

// A folder inside the program's folder, so a skin settings path relative to it reaches it.
class SkinDir {
public:
    SkinDir() : dir(QCoreApplication::applicationDirPath() + QStringLiteral("/testskin-XXXXXX")) {}
    bool isValid() const { return dir.isValid(); }
    // Writes `name`.svg and `name`.ini (with these settings lines) and returns the settings
    // path relative to the program's folder.
    QString write(const QString& name, const QByteArray& svg, const QByteArray& settings)
    {
        QFile s(dir.filePath(name + QStringLiteral(".svg")));
        s.open(QIODevice::WriteOnly);
        s.write(svg);
        QFile ini(dir.filePath(name + QStringLiteral(".ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write(settings);
        return relative(name + QStringLiteral(".ini"));
    }
    QString writeSkin(const QString& name, const Borders& b = Borders(),
                      const QString& omit = QString())
    {
        const QByteArray settings = "[Skin]\nHintergrundfarbe=102030\nTitelfarbe=#ffffff\n"
                                    "Skinpfad=" +
                                    relative(name + QStringLiteral(".svg")).toUtf8() + "\n";
        return write(name, svgSkin(b, omit), settings);
    }
    QString relative(const QString& file) const
    {
        return QStringLiteral("./") +
               QDir(QCoreApplication::applicationDirPath()).relativeFilePath(dir.filePath(file));
    }

private:
    QTemporaryDir dir;
};

// Sends a mouse event at a global position to a top-level frameless window.
inline void mouse(QWidget* window, QEvent::Type type, const QPoint& global,
                  Qt::MouseButton button = Qt::NoButton, Qt::MouseButtons buttons = Qt::NoButton)
{
    const QPointF local = QPointF(global - window->geometry().topLeft());
    QMouseEvent event(type, local, local, QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

// A left-button drag from one global point to another, in a few steps.
inline void drag(QWidget* window, const QPoint& from, const QPoint& to)
{
    mouse(window, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    constexpr int steps = 4;
    for (int i = 1; i <= steps; ++i)
        mouse(window, QEvent::MouseMove, from + (to - from) * i / steps, Qt::NoButton,
              Qt::LeftButton);
    mouse(window, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// A click (press and release) at a point in widget coordinates.
inline void click(QWidget* window, const QPoint& local)
{
    const QPoint global = window->geometry().topLeft() + local;
    mouse(window, QEvent::MouseButtonPress, global, Qt::LeftButton, Qt::LeftButton);
    mouse(window, QEvent::MouseButtonRelease, global, Qt::LeftButton, Qt::NoButton);
}

inline QColor pixel(const QImage& image, const QPoint& at) { return image.pixelColor(at); }

// What the X server shows of the window's place, mask and all.
inline QImage onScreen(const QWidget* window, int margin = 0)
{
    const QRect r = window->geometry().adjusted(-margin, -margin, margin, margin);
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .toImage();
}

}  // namespace skinfixture
