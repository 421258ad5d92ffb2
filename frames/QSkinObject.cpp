#include "QSkinObject.h"

#include "QSkinWidgetResizeHandler.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QSvgRenderer>
#include <QWidget>

Q_LOGGING_CATEGORY(lcSkin, "echora.frames")

namespace {
// The frame pixmap starts this much larger than the widget, until the first paint sizes it.
constexpr int kInitialFrameSlack = 12;
// The frame is never narrower than the side borders and this much room for the title.
constexpr int kMinimumTitleWidth = 128;
// Title-bar presses count only this far below the top border and right of the left edge.
constexpr int kPressBelowTitle = 6;
constexpr int kPressFromLeft = 6;
// Button placement inside the top-right border piece.
constexpr int kButtonInset = 4;
constexpr int kButtonGap = 2;
// Title area: icon and text offsets from twice the left border, the icon's size, and the
// number of close-button widths kept free at the right.
constexpr int kIconOffset = 16;
constexpr int kSizedIconOffset = 10;
constexpr int kTitleTextOffset = 36;
constexpr int kIconSize = 16;
constexpr int kTitleButtonWidths = 5;
// A restored window counts as on a screen when this much of its top row is on one.
constexpr int kVisibleTitleWidth = 64;
// Title colour when the skin names none.
const QColor kDefaultTitleColour(255, 100, 0, 255);

const QString kBorderPieces[] = {
    QStringLiteral("border_topleft"),     QStringLiteral("border_top"),
    QStringLiteral("border_topright"),    QStringLiteral("border_right"),
    QStringLiteral("border_bottomright"), QStringLiteral("border_bottom"),
    QStringLiteral("border_bottomleft"),  QStringLiteral("border_left"),
};

QString buttonElement(QSkinObject::Button button, const char* state)
{
    static const char* const names[] = {"close_button_", "maximize_button_", "minimize_button_"};
    return QLatin1String(names[button]) + QLatin1String(state);
}

// A settings value as one string: an unquoted value with commas reads as a list.
QString settingText(const QSettings& settings, const QString& key)
{
    const QVariant v = settings.value(key);
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}
}  // namespace

QSkinObject::QSkinObject(QWidget* widget, int buttonMode, QObject* parent)
    : QObject(parent), skinned(widget), mode(buttonMode), titleColour(kDefaultTitleColour),
      font(QStringLiteral("Arial"))
{
    // The window keeps its system frame until a skin has been loaded (startSkinning).
    if (skinned)
        frame = QPixmap(skinned->size() + QSize(kInitialFrameSlack, kInitialFrameSlack));
}

QSkinObject::~QSkinObject()
{
    handler.reset();
    if (skinning && skinned)
        skinned->removeEventFilter(this);
}

void QSkinObject::setSkinFile(const QString& path)
{
    settingsPath = path;
    if (!skinning || !skinned)
        return;
    if (!loadSkin()) {
        qCWarning(lcSkin) << "giving the system frame back to" << skinned->objectName();
        stopSkinning();
        return;
    }
    skinned->setContentsMargins(border);
    handler->activate();
    setAlphaValue(alpha);
    updateStyle();
    updateButtons();
}

bool QSkinObject::loadSkin()
{
    background = QColor::fromRgb(0);
    titleColour = kDefaultTitleColour;
    alpha = 1.0;
    font = QFont(QStringLiteral("Arial"));
    border = QMargins();
    renderer.reset();

    const QString appDir = QCoreApplication::applicationDirPath();
    const QString iniPath = QDir::cleanPath(appDir + QLatin1Char('/') + settingsPath);
    QString skinRelative = settingsPath;
    const QFileInfo ini(iniPath);
    const bool iniReadable = ini.isFile() && ini.isReadable();
    if (iniReadable) {
        QSettings settings(iniPath, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Skin"));
        bool ok = false;
        const uint rgb = settingText(settings, QStringLiteral("Hintergrundfarbe")).toUInt(&ok, 16);
        background = QColor::fromRgb(ok ? QRgb(rgb) : QRgb(0));
        const QColor colour(settingText(settings, QStringLiteral("Titelfarbe")));
        if (colour.isValid())
            titleColour = colour;
        const double a = settingText(settings, QStringLiteral("Alpha")).toDouble(&ok);
        if (ok)
            alpha = a;
        const QString fontText = settingText(settings, QStringLiteral("Titelschrift"));
        QFont f;
        if (!fontText.isEmpty() && f.fromString(fontText))
            font = f;
        skinRelative =
            settings.value(QStringLiteral("Skinpfad"), settingsPath).toString().trimmed();
    }
    svgPath = QDir::cleanPath(appDir + QLatin1Char('/') + skinRelative);

    if (!iniReadable) {
        qCWarning(lcSkin) << "skin settings file" << iniPath << "cannot be read";
        return false;
    }
    const QFileInfo svg(svgPath);
    if (!svg.isFile() || !svg.isReadable()) {
        qCWarning(lcSkin) << "skin picture" << svgPath << "cannot be read";
        return false;
    }
    auto loaded = std::make_unique<QSvgRenderer>(svgPath);
    if (!loaded->isValid()) {
        qCWarning(lcSkin) << "skin picture" << svgPath << "is not a valid SVG file";
        return false;
    }
    QStringList needed(std::begin(kBorderPieces), std::end(kBorderPieces));
    needed << buttonElement(Close, "normal");
    if (mode & MinMaxClose)
        needed << buttonElement(Maximize, "normal") << buttonElement(Minimize, "normal");
    for (const QString& id : needed) {
        if (!loaded->elementExists(id)) {
            qCWarning(lcSkin) << "skin picture" << svgPath << "has no element" << id;
            return false;
        }
    }
    renderer = std::move(loaded);
    border = QMargins(elementSize(QStringLiteral("border_left")).width(),
                      elementSize(QStringLiteral("border_top")).height(),
                      elementSize(QStringLiteral("border_right")).width(),
                      elementSize(QStringLiteral("border_bottom")).height());
    return true;
}

QSize QSkinObject::elementSize(const QString& id) const
{
    if (!renderer || !renderer->elementExists(id))
        return QSize();
    const QRectF r = renderer->transformForElement(id).mapRect(renderer->boundsOnElement(id));
    return QSize(qRound(r.width()), qRound(r.height()));
}

void QSkinObject::startSkinning()
{
    if (!skinned || skinning)
        return;
    if (!loadSkin()) {
        qCWarning(lcSkin) << "keeping the system frame of" << skinned->objectName();
        return;
    }
    const QPoint place = skinned->pos();
    const bool wasVisible = skinned->isVisible();
    unskinnedFlags = skinned->windowFlags();
    skinned->setWindowFlags((unskinnedFlags & Qt::WindowType_Mask) | Qt::FramelessWindowHint |
                            Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                            Qt::WindowCloseButtonHint);
    skinned->setMouseTracking(true);
    skinned->setContentsMargins(border);
    skinned->setMinimumSize(skinned->minimumSize().expandedTo(QSize(
        border.left() + border.right() + kMinimumTitleWidth, border.top() + border.bottom())));
    skinned->installEventFilter(this);
    skinning = true;
    handler = std::make_unique<QSkinWidgetResizeHandler>(this, skinned);
    setAlphaValue(alpha);
    updateStyle();
    updateButtons();
    if (wasVisible)
        skinned->show();
    skinned->move(place);
}

void QSkinObject::stopSkinning()
{
    if (!skinned || !skinning)
        return;
    const bool wasVisible = skinned->isVisible();
    skinning = false;
    handler.reset();
    skinned->removeEventFilter(this);
    skinned->setContentsMargins(0, 0, 0, 0);
    skinned->clearMask();
    skinned->setAttribute(Qt::WA_TranslucentBackground, false);
    // Back to the frame the window had before, so it can again be moved and closed.
    skinned->setWindowFlags(unskinnedFlags);
    skinned->setMouseTracking(false);
    skinned->unsetCursor();
    setAlphaValue(1.0);
    hovered = pressed = NoButton;
    if (wasVisible)
        skinned->show();
}

void QSkinObject::setAlphaValue(double value)
{
    alpha = value;
    if (skinned)
        skinned->setWindowOpacity(value);
}

QRect QSkinObject::buttonRect(Button button) const
{
    if (button == NoButton || !skinning)
        return QRect();
    return buttons[button];
}

void QSkinObject::updateStyle()
{
    for (QRect& r : buttons)
        r = QRect();
    if (!skinning || !skinned)
        return;
    const int right = skinned->width() - border.right() - kButtonInset;
    const int top = border.top();
    int x = right;
    const auto place = [&](Button b) {
        const QSize s = elementSize(buttonElement(b, "normal"));
        x -= s.width();
        buttons[b] = QRect(QPoint(x, qMax(0, (top - s.height()) / 2)), s);
        x -= kButtonGap;
    };
    place(Close);
    if (mode & MinMaxClose) {
        place(Maximize);
        place(Minimize);
    }
}

void QSkinObject::updateButtons()
{
    if (!skinning || !skinned)
        return;
    paintFrame();
    skinned->update();
}

bool QSkinObject::titleChanged() const
{
    return !(mode & NoTitle) && (skinned->windowTitle() != paintedTitle ||
                                 skinned->windowIconText() != paintedIconText ||
                                 skinned->windowIcon().cacheKey() != paintedIcon);
}

void QSkinObject::renderElement(QPainter& painter, const QString& id, const QRectF& target) const
{
    if (target.width() > 0 && target.height() > 0)
        renderer->render(&painter, id, target);
}

void QSkinObject::paintFrame()
{
    const int w = skinned->width();
    const int h = skinned->height();
    const QSize oldSize = frame.size();
    frame = QPixmap(w, h);
    frame.fill(Qt::transparent);
    {
        QPainter p(&frame);
        const int l = border.left();
        const int t = border.top();
        const int r = border.right();
        const int b = border.bottom();
        p.fillRect(QRect(l, t, w - l - r, h - t - b), background);
        const QSize tl = elementSize(QStringLiteral("border_topleft"));
        const QSize tr = elementSize(QStringLiteral("border_topright"));
        const QSize bl = elementSize(QStringLiteral("border_bottomleft"));
        const QSize br = elementSize(QStringLiteral("border_bottomright"));
        renderElement(p, QStringLiteral("border_top"),
                      QRect(tl.width(), 0, w - tl.width() - tr.width(), t));
        renderElement(p, QStringLiteral("border_bottom"),
                      QRect(bl.width(), h - b, w - bl.width() - br.width(), b));
        renderElement(p, QStringLiteral("border_left"),
                      QRect(0, tl.height(), l, h - tl.height() - bl.height()));
        renderElement(p, QStringLiteral("border_right"),
                      QRect(w - r, tr.height(), r, h - tr.height() - br.height()));
        renderElement(p, QStringLiteral("border_topleft"), QRect(QPoint(0, 0), tl));
        renderElement(p, QStringLiteral("border_topright"), QRect(QPoint(w - tr.width(), 0), tr));
        renderElement(p, QStringLiteral("border_bottomleft"),
                      QRect(QPoint(0, h - bl.height()), bl));
        renderElement(p, QStringLiteral("border_bottomright"),
                      QRect(QPoint(w - br.width(), h - br.height()), br));
        if (!(mode & NoTitle))
            paintTitle(p);
    }
    frameStale = false;
    paintedTitle = skinned->windowTitle();
    paintedIconText = skinned->windowIconText();
    paintedIcon = skinned->windowIcon().cacheKey();
    // The outline only changes with the size; the title and icon never reach it.
    if (oldSize != frame.size() || skinned->mask().isEmpty())
        skinned->setMask(frame.mask());
}

void QSkinObject::paintTitle(QPainter& painter) const
{
    const int l = border.left();
    const int t = border.top();
    const QIcon icon = skinned->windowIcon();
    const QString sizeText = skinned->windowIconText();
    const qsizetype split = sizeText.indexOf(QLatin1Char('x'));
    if (split > 0) {
        bool okW = false;
        bool okH = false;
        const int iw = sizeText.left(split).toInt(&okW);
        const int ih = sizeText.mid(split + 1).toInt(&okH);
        if (okW && okH && iw > 0 && ih > 0) {
            if (!icon.isNull())
                painter.drawPixmap(2 * l + kSizedIconOffset, (t - ih) / 2, icon.pixmap(iw, ih));
            return;
        }
    }
    if (!icon.isNull())
        painter.drawPixmap(2 * l + kIconOffset, t / 2 - kIconSize / 2,
                           icon.pixmap(kIconSize, kIconSize));
    const int closeWidth = elementSize(buttonElement(Close, "normal")).width();
    const QRect textRect(2 * l + kTitleTextOffset, 0,
                         skinned->width() - kTitleButtonWidths * closeWidth - l - border.right(),
                         elementSize(QStringLiteral("border_topright")).height());
    painter.setFont(font);
    painter.setPen(titleColour);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, skinned->windowTitle());
}

void QSkinObject::paintButtons(QPainter& painter) const
{
    const Button present[] = {Close, Maximize, Minimize};
    for (Button b : present) {
        if (buttons[b].isEmpty())
            continue;
        QString id = buttonElement(b, "normal");
        const QString state = buttonElement(b, b == pressed ? "pressed" : "hover");
        if ((b == pressed || b == hovered) && renderer->elementExists(state))
            id = state;
        renderElement(painter, id, buttons[b]);
    }
}

QSkinObject::Button QSkinObject::buttonAt(const QPoint& pos) const
{
    if (pos.y() > border.top() + kPressBelowTitle || pos.x() <= kPressFromLeft)
        return NoButton;
    const Button order[] = {Close, Maximize, Minimize};
    for (Button b : order) {
        if (buttons[b].contains(pos))
            return b;
    }
    return NoButton;
}

void QSkinObject::setHover(Button button)
{
    if (button == hovered)
        return;
    if (hovered != NoButton)
        skinned->update(buttons[hovered]);
    hovered = button;
    if (hovered != NoButton)
        skinned->update(buttons[hovered]);
}

bool QSkinObject::handlePress(QMouseEvent* event)
{
    if (!skinning || !skinned || event->button() != Qt::LeftButton)
        return false;
    const Button b = buttonAt(event->position().toPoint());
    if (b == NoButton)
        return false;
    setHover(b);
    pressed = b;
    skinned->update(buttons[b]);
    return true;
}

bool QSkinObject::handleRelease(QMouseEvent* event)
{
    if (!skinning || !skinned || event->button() != Qt::LeftButton || pressed == NoButton)
        return false;
    const Button b = pressed;
    pressed = NoButton;
    skinned->update(buttons[b]);
    if (buttonAt(event->position().toPoint()) == b)
        pressButton(b);
    return true;
}

void QSkinObject::pressButton(Button button)
{
    switch (button) {
    case Close:
        // The same way out as the window manager's close: the window's close event runs.
        if (mode & CloseHides) {
            skinned->hide();
            skinned->setWindowState(Qt::WindowNoState);
        } else {
            skinned->close();
        }
        break;
    case Maximize:
        toggleMaximize();
        break;
    case Minimize:
        skinned->showMinimized();
        break;
    case NoButton:
        break;
    }
}

QRect QSkinObject::availableArea() const
{
    const QScreen* screen = skinned->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void QSkinObject::toggleMaximize()
{
    if (!skinned)
        return;
    if (!maximized) {
        savedGeometry = QRect(skinned->pos(), skinned->size());
        const QRect area = availableArea();
        skinned->move(area.topLeft());
        skinned->resize(area.size());
        maximized = true;
        return;
    }
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    const QRect back = restoredGeometry(savedGeometry, areas, availableArea());
    skinned->move(back.topLeft());
    skinned->resize(back.size());
    maximized = false;
}

QRect QSkinObject::restoredGeometry(const QRect& saved, const QList<QRect>& available,
                                    const QRect& fallback)
{
    const QRect topRow(saved.left(), saved.top(), saved.width(), 1);
    const int enough = qMin(kVisibleTitleWidth, saved.width());
    for (const QRect& area : available) {
        if (area.intersected(topRow).width() >= enough)
            return saved;
    }
    if (fallback.isEmpty())
        return saved;
    const QSize size = saved.size().boundedTo(fallback.size());
    const int x = qBound(fallback.left(), saved.left(), fallback.right() - size.width() + 1);
    const int y = qBound(fallback.top(), saved.top(), fallback.bottom() - size.height() + 1);
    return QRect(QPoint(x, y), size);
}

bool QSkinObject::eventFilter(QObject* watched, QEvent* event)
{
    if (!skinned || watched != skinned || !skinning)
        return false;
    switch (event->type()) {
    case QEvent::Paint: {
        if (frameStale || frame.size() != skinned->size())
            paintFrame();
        QPainter p(skinned);
        p.drawPixmap(0, 0, frame);
        paintButtons(p);
        break;
    }
    case QEvent::Resize:
        updateStyle();
        // A window shown for the first time gets the resize it had while hidden: the frame
        // painted when skinning started has that size already.
        if (frame.size() != skinned->size())
            paintFrame();
        break;
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
    case QEvent::IconTextChange:
        // Also sent when the window is first shown; painted at the next paint, if changed.
        if (titleChanged()) {
            frameStale = true;
            skinned->update();
        }
        break;
    case QEvent::MouseMove:
        setHover(buttonAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
        break;
    case QEvent::Leave:
        setHover(NoButton);
        break;
    default:
        break;
    }
    return false;
}
