#include "QSkinWidgetResizeHandler.h"

#include "QSkinObject.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {
// A left border this wide or narrower is caught whole; a wider one by half.
constexpr int kWholeBorderCatch = 9;
// Keyboard steps, in pixels, without and with Control.
constexpr int kKeyStep = 8;
constexpr int kFineKeyStep = 1;

Qt::CursorShape shapeFor(QSkinWidgetResizeHandler::MousePosition at)
{
    using H = QSkinWidgetResizeHandler;
    switch (at) {
    case H::TopLeft:
    case H::BottomRight:
        return Qt::SizeFDiagCursor;
    case H::BottomLeft:
    case H::TopRight:
        return Qt::SizeBDiagCursor;
    case H::Top:
    case H::Bottom:
        return Qt::SizeVerCursor;
    case H::Left:
    case H::Right:
        return Qt::SizeHorCursor;
    case H::Center:
        return Qt::SizeAllCursor;
    case H::Nowhere:
        break;
    }
    return Qt::ArrowCursor;
}

bool grabsLeft(QSkinWidgetResizeHandler::MousePosition at)
{
    using H = QSkinWidgetResizeHandler;
    return at == H::TopLeft || at == H::BottomLeft || at == H::Left;
}
bool grabsRight(QSkinWidgetResizeHandler::MousePosition at)
{
    using H = QSkinWidgetResizeHandler;
    return at == H::TopRight || at == H::BottomRight || at == H::Right;
}
bool grabsTop(QSkinWidgetResizeHandler::MousePosition at)
{
    using H = QSkinWidgetResizeHandler;
    return at == H::TopLeft || at == H::TopRight || at == H::Top;
}
bool grabsBottom(QSkinWidgetResizeHandler::MousePosition at)
{
    using H = QSkinWidgetResizeHandler;
    return at == H::BottomLeft || at == H::BottomRight || at == H::Bottom;
}

// The corner of the quadrant `pos` lies in, for a widget of `size`.
QSkinWidgetResizeHandler::MousePosition quadrant(const QPoint& pos, const QSize& size)
{
    using H = QSkinWidgetResizeHandler;
    const bool left = pos.x() < size.width() / 2;
    const bool top = pos.y() < size.height() / 2;
    if (left)
        return top ? H::TopLeft : H::BottomLeft;
    return top ? H::TopRight : H::BottomRight;
}
}  // namespace

QSkinWidgetResizeHandler::QSkinWidgetResizeHandler(QSkinObject* skinObject, QWidget* moved,
                                                   QWidget* watched)
    : skin(skinObject), widget(moved), watchedWidget(watched ? watched : moved)
{
    widget->setMouseTracking(true);
    range = catchRangeFor(skin->borders().left());
    watchedWidget->installEventFilter(this);
}

QSkinWidgetResizeHandler::~QSkinWidgetResizeHandler()
{
    if (watchedWidget)
        watchedWidget->removeEventFilter(this);
    if (keyboardActive && widget) {
        widget->releaseMouse();
        widget->releaseKeyboard();
    }
}

int QSkinWidgetResizeHandler::catchRangeFor(int leftBorderWidth)
{
    return leftBorderWidth <= kWholeBorderCatch ? leftBorderWidth : leftBorderWidth / 2;
}

bool QSkinWidgetResizeHandler::canResize() const
{
    return resizable && widget && widget->minimumSize() != widget->maximumSize();
}

void QSkinWidgetResizeHandler::activate()
{
    finish();
    range = catchRangeFor(skin->borders().left());
}

QSkinWidgetResizeHandler::MousePosition QSkinWidgetResizeHandler::modeAt(const QPoint& pos) const
{
    if (!widget || !widget->rect().contains(pos))
        return Nowhere;
    if (!canResize())
        return Center;
    const bool left = pos.x() < range;
    const bool right = pos.x() >= widget->width() - range;
    const bool top = pos.y() < range;
    const bool bottom = pos.y() >= widget->height() - range;
    if (top && left)
        return TopLeft;
    if (bottom && right)
        return BottomRight;
    if (bottom && left)
        return BottomLeft;
    if (top && right)
        return TopRight;
    if (top)
        return Top;
    if (bottom)
        return Bottom;
    if (left)
        return Left;
    if (right)
        return Right;
    return Center;
}

bool QSkinWidgetResizeHandler::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != watchedWidget || !widget)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return mousePress(static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        mouseMove(static_cast<QMouseEvent*>(event));
        return isActive();
    case QEvent::MouseButtonRelease: {
        const bool wasActive = isActive();
        mouseRelease(static_cast<QMouseEvent*>(event));
        return wasActive;
    }
    case QEvent::KeyPress:
        return keyPress(static_cast<QKeyEvent*>(event));
    case QEvent::ShortcutOverride:
        if (keyboardActive) {
            event->accept();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void QSkinWidgetResizeHandler::remember(const QPoint& global)
{
    keyCursor = global;
    // A frameless window's geometry is its place on the screen.
    pressPos = global - widget->geometry().topLeft();
    invertedOffset = widget->rect().bottomRight() - pressPos;
}

bool QSkinWidgetResizeHandler::mousePress(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    if (skin->handlePress(event))
        return true;
    if (keyboardActive) {
        finish();
        return true;
    }
    if (skin->isMaximized())
        return false;
    const QPoint pos = event->position().toPoint();
    const MousePosition at = modeAt(pos);
    if (at == Nowhere || (at == Center && !movable))
        return false;
    mode = at;
    if (startSystemOperation()) {
        mode = Nowhere;
        return true;
    }
    pressPos = pos;
    invertedOffset = widget->rect().bottomRight() - pos;
    buttonDown = true;
    moving = mode == Center;
    resizing = !moving;
    return true;
}

bool QSkinWidgetResizeHandler::startSystemOperation()
{
    QWindow* window = widget->windowHandle();
    if (!window)
        return false;
    if (mode == Center)
        return window->startSystemMove();
    Qt::Edges edges;
    if (grabsLeft(mode))
        edges |= Qt::LeftEdge;
    if (grabsRight(mode))
        edges |= Qt::RightEdge;
    if (grabsTop(mode))
        edges |= Qt::TopEdge;
    if (grabsBottom(mode))
        edges |= Qt::BottomEdge;
    return window->startSystemResize(edges);
}

void QSkinWidgetResizeHandler::mouseMove(QMouseEvent* event)
{
    if (buttonDown || keyboardActive) {
        if (isActive())
            follow(event->globalPosition().toPoint());
        return;
    }
    if (event->buttons() != Qt::NoButton)
        return;
    setCursorShape(skin->isMaximized() ? Nowhere : modeAt(event->position().toPoint()));
}

void QSkinWidgetResizeHandler::mouseRelease(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    skin->handleRelease(event);
    if (buttonDown)
        finish();
}

void QSkinWidgetResizeHandler::follow(const QPoint& global)
{
    if (moving) {
        widget->move(global - pressPos);
        return;
    }
    if (!resizing)
        return;
    const QSize least = widget->minimumSize();
    const QSize most = widget->maximumSize();
    QRect g = widget->geometry();
    if (grabsLeft(mode)) {
        const int w =
            qBound(least.width(), g.right() - (global.x() - pressPos.x()) + 1, most.width());
        g.setLeft(g.right() - w + 1);
    } else if (grabsRight(mode)) {
        g.setWidth(
            qBound(least.width(), global.x() + invertedOffset.x() - g.left() + 1, most.width()));
    }
    if (grabsTop(mode)) {
        const int h =
            qBound(least.height(), g.bottom() - (global.y() - pressPos.y()) + 1, most.height());
        g.setTop(g.bottom() - h + 1);
    } else if (grabsBottom(mode)) {
        g.setHeight(
            qBound(least.height(), global.y() + invertedOffset.y() - g.top() + 1, most.height()));
    }
    if (g != widget->geometry())
        widget->setGeometry(g);
}

void QSkinWidgetResizeHandler::setCursorShape(MousePosition at)
{
    const Qt::CursorShape shape = at == Center ? Qt::ArrowCursor : shapeFor(at);
    if (shape == Qt::ArrowCursor) {
        if (widget->testAttribute(Qt::WA_SetCursor))
            widget->unsetCursor();
        return;
    }
    if (!widget->testAttribute(Qt::WA_SetCursor) || widget->cursor().shape() != shape)
        widget->setCursor(shape);
}

void QSkinWidgetResizeHandler::grab(MousePosition at)
{
    widget->grabMouse(QCursor(shapeFor(at)));
    widget->grabKeyboard();
}

void QSkinWidgetResizeHandler::doMove()
{
    if (!widget || !movable || skin->isMaximized() || !widget->isVisible() || isActive())
        return;
    mode = Center;
    moving = true;
    keyboardActive = true;
    remember(QCursor::pos());
    grab(mode);
}

void QSkinWidgetResizeHandler::doResize()
{
    if (!widget || !canResize() || skin->isMaximized() || !widget->isVisible() || isActive())
        return;
    remember(QCursor::pos());
    mode = quadrant(pressPos, widget->size());
    resizing = true;
    keyboardActive = true;
    grab(mode);
}

void QSkinWidgetResizeHandler::keepCornerUnderCursor()
{
    if (mode < TopLeft || mode > TopRight)
        return;
    const MousePosition now = quadrant(keyCursor - widget->geometry().topLeft(), widget->size());
    if (now == mode)
        return;
    mode = now;
    remember(keyCursor);
    widget->grabMouse(QCursor(shapeFor(mode)));
}

bool QSkinWidgetResizeHandler::keyPress(QKeyEvent* event)
{
    if (!keyboardActive) {
        if (event->modifiers() & Qt::AltModifier) {
            if (event->key() == Qt::Key_F7) {
                doMove();
                return true;
            }
            if (event->key() == Qt::Key_F8) {
                doResize();
                return true;
            }
        }
        return false;
    }
    const int step = (event->modifiers() & Qt::ControlModifier) ? kFineKeyStep : kKeyStep;
    switch (event->key()) {
    case Qt::Key_Left:
        keyCursor.rx() -= step;
        break;
    case Qt::Key_Right:
        keyCursor.rx() += step;
        break;
    case Qt::Key_Up:
        keyCursor.ry() -= step;
        break;
    case Qt::Key_Down:
        keyCursor.ry() += step;
        break;
    case Qt::Key_Space:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        finish();
        return true;
    default:
        return true;
    }
    QCursor::setPos(keyCursor);
    follow(keyCursor);
    keepCornerUnderCursor();
    return true;
}

void QSkinWidgetResizeHandler::finish()
{
    buttonDown = false;
    moving = false;
    resizing = false;
    mode = Nowhere;
    if (keyboardActive) {
        keyboardActive = false;
        if (!widget)
            return;
        widget->releaseMouse();
        widget->releaseKeyboard();
    }
}
