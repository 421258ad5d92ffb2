#pragma once
// QSkinObject: gives a window a frame drawn from an SVG skin. It loads the skin settings file
// (colours, font, opacity and the SVG file), paints the border pieces and the title-bar
// buttons, cuts the window to the painted outline and carries out the buttons: minimize,
// maximize/restore and close. Moving and resizing are left to the QSkinWidgetResizeHandler it
// creates while skinning.
//
// Thread: GUI thread only. Ownership: the skinned widget is not owned (the window that wants a
// skin owns its skin object); should it go first, the skin object does nothing from then on.
// The SVG renderer and the resize handler are owned.
//
// A skin that cannot be loaded (settings file or SVG file missing or unreadable, or a border
// piece or the close button missing from the SVG) is not applied: the window keeps its system
// frame, so it can still be moved and closed, and the reason is logged.
#include <QColor>
#include <QFont>
#include <QMargins>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>

class QEvent;
class QMouseEvent;
class QPainter;
class QSkinWidgetResizeHandler;
class QSvgRenderer;

class QSkinObject : public QObject {
    Q_OBJECT
public:
    // Button mode bits. Only one of the first three is meaningful at a time.
    enum ButtonModeBit {
        MinMaxClose = 1,  // minimize, maximize and close; close closes the window
        CloseOnly = 2,    // close only; close closes the window
        CloseHides = 4,   // close only; close hides the window
        NoTitle = 8,      // neither window icon nor title is drawn
    };
    enum Button { NoButton = -1, Close = 0, Maximize = 1, Minimize = 2 };

    QSkinObject(QWidget* widget, int buttonMode, QObject* parent = nullptr);
    ~QSkinObject() override;

    // The skin settings file, relative to the program's folder (e.g. "./skin/main.ini").
    void setSkinFile(const QString& path);
    QString skinFile() const { return settingsPath; }
    int buttonMode() const { return mode; }

    // Reads the settings file and opens the SVG it names; false (with the reason logged) when
    // the skin cannot be used. The values read stay available either way.
    bool loadSkin();
    // The SVG file's absolute path once loaded.
    QString svgFile() const { return svgPath; }
    QColor backgroundColor() const { return background; }
    QColor titleColor() const { return titleColour; }
    QFont titleFont() const { return font; }
    double alphaValue() const { return alpha; }

    bool isSkinning() const { return skinning; }
    bool isMaximized() const { return maximized; }
    // The border sizes of the loaded skin: left, top, right and bottom.
    QMargins borders() const { return border; }
    // Where a title-bar button sits, in widget coordinates; empty when the mode has none.
    QRect buttonRect(Button button) const;
    QSkinWidgetResizeHandler* resizeHandler() const { return handler.get(); }
    QWidget* skinnedWidget() const { return skinned; }

    // Title-bar mouse handling, called by the resize handler before its own: true when the
    // event hit a button and is taken.
    bool handlePress(QMouseEvent* event);
    bool handleRelease(QMouseEvent* event);

    // The place a maximized window goes back to: the saved geometry when it still lies on
    // one of the screens' available areas, otherwise moved (and if need be shrunk) into the
    // area of `fallback`.
    static QRect restoredGeometry(const QRect& saved, const QList<QRect>& available,
                                  const QRect& fallback);

public Q_SLOTS:
    // Recomputes the button places from the skin and the widget's width.
    void updateStyle();
    // Repaints the frame: border pieces, title, buttons and the window's outline.
    void updateButtons();
    void startSkinning();
    void stopSkinning();
    void setAlphaValue(double value);
    // The maximize button: maximize to the screen's available area, or restore.
    void toggleMaximize();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void paintFrame();
    // Whether the title, icon or icon text differ from those last painted.
    bool titleChanged() const;
    void paintTitle(QPainter& painter) const;
    void paintButtons(QPainter& painter) const;
    void renderElement(QPainter& painter, const QString& id, const QRectF& target) const;
    QSize elementSize(const QString& id) const;
    Button buttonAt(const QPoint& pos) const;
    void setHover(Button button);
    void pressButton(Button button);
    QRect availableArea() const;

    QPointer<QWidget> skinned;
    int mode;
    QString settingsPath;
    QString svgPath;
    QPixmap frame;
    bool frameStale = true;
    QString paintedTitle;
    QString paintedIconText;
    qint64 paintedIcon = 0;
    QColor background;
    QColor titleColour;
    QFont font;
    double alpha = 1.0;
    QMargins border;
    QRect buttons[3];
    Button hovered = NoButton;
    Button pressed = NoButton;
    bool maximized = false;
    QRect savedGeometry;
    bool skinning = false;
    Qt::WindowFlags unskinnedFlags;
    std::unique_ptr<QSvgRenderer> renderer;
    std::unique_ptr<QSkinWidgetResizeHandler> handler;
};
