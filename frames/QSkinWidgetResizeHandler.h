#pragma once
// QSkinWidgetResizeHandler: moves and resizes a frameless skinned window by mouse and keyboard.
// A press on the window's edge or corner (within the catch range) resizes it there, a press
// elsewhere moves it. The window system does the move or resize when it can
// (QWindow::startSystemMove / startSystemResize: X11 with a window manager, Wayland); otherwise
// the handler follows the pointer itself. Keyboard move and resize (doMove, doResize; Alt+F7
// and Alt+F8 on the window) step by 8 pixels per arrow key, 1 with Control, and end with
// Space, Escape, Return or Enter.
//
// Thread: GUI thread only. Ownership: created and owned by the QSkinObject; the widgets are
// not owned.
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QKeyEvent;
class QMouseEvent;
class QSkinObject;

class QSkinWidgetResizeHandler : public QObject {
    Q_OBJECT
public:
    // Where the pointer is, for moving or resizing.
    enum MousePosition {
        Nowhere = 0,
        TopLeft = 1,
        BottomRight = 2,
        BottomLeft = 3,
        TopRight = 4,
        Top = 5,
        Bottom = 6,
        Left = 7,
        Right = 8,
        Center = 9,
    };

    // Moves `widget`, watching `watched` for mouse and key events (the widget itself when null).
    QSkinWidgetResizeHandler(QSkinObject* skin, QWidget* widget, QWidget* watched = nullptr);
    ~QSkinWidgetResizeHandler() override;

    // How close to the border a press must be to resize: half the left border's width, or all
    // of it when that is 9 pixels or less.
    static int catchRangeFor(int leftBorderWidth);
    int catchRange() const { return range; }

    void setMovable(bool on) { movable = on; }
    void setResizable(bool on) { resizable = on; }
    bool isMovable() const { return movable; }
    // Resizable, and the widget's size is not fixed.
    bool canResize() const;
    bool isActive() const { return moving || resizing; }
    MousePosition positionMode() const { return mode; }
    // The mode a point in widget coordinates falls in.
    MousePosition modeAt(const QPoint& pos) const;

    // Keyboard-started move and resize.
    void doMove();
    void doResize();

public Q_SLOTS:
    // Ends any operation in progress and takes the catch range from the skin again.
    void activate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mousePress(QMouseEvent* event);
    void mouseMove(QMouseEvent* event);
    void mouseRelease(QMouseEvent* event);
    bool keyPress(QKeyEvent* event);
    bool startSystemOperation();
    void follow(const QPoint& global);
    void setCursorShape(MousePosition at);
    void grab(MousePosition at);
    void finish();
    void keepCornerUnderCursor();
    void remember(const QPoint& global);

    QSkinObject* skin;
    QPointer<QWidget> widget;
    QPointer<QWidget> watchedWidget;
    QPoint pressPos;        // the press, in widget coordinates
    QPoint invertedOffset;  // from the press to the right and bottom edges
    QPoint keyCursor;       // the pointer as the keyboard moves it, global
    MousePosition mode = Nowhere;
    int range = 0;
    bool movable = true;
    bool resizable = true;
    bool moving = false;
    bool resizing = false;
    bool buttonDown = false;
    bool keyboardActive = false;
};
