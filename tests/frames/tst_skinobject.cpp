// The skin object and its resize handler on real windows of the X server, with test skins
// whose pieces and button states have known sizes and solid colours.
#include "QSkinObject.h"
#include "QSkinWidgetResizeHandler.h"
#include "SkinFixture.h"

#include <QCloseEvent>
#include <QCursor>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTest>

using namespace skinfixture;

namespace {
// A window that counts the close events it accepts.
class ClosingWindow : public QWidget {
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ++closes;
        QWidget::closeEvent(event);
    }
};

constexpr QPoint kPlace(120, 110);
constexpr QSize kSize(400, 300);
}  // namespace

class TestSkinObject : public QObject {
    Q_OBJECT
private:
    SkinDir dir;
    QString skin;  // the standard test skin's settings path

    // A shown, skinned window at kPlace of kSize; the skin object is the window's child.
    std::unique_ptr<ClosingWindow> window(int mode, QSkinObject** out,
                                          const QString& settings = QString())
    {
        auto w = std::make_unique<ClosingWindow>();
        w->setWindowTitle(QStringLiteral("Skinned"));
        w->resize(kSize);
        w->move(kPlace);
        auto* s = new QSkinObject(w.get(), mode, w.get());
        s->setSkinFile(settings.isEmpty() ? skin : settings);
        s->startSkinning();
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
        *out = s;
        return w;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        skin = dir.writeSkin(QStringLiteral("test"));
    }

    // Settings without the "Skin" group give the defaults.
    void settingsWithoutSkinGroupGiveDefaults()
    {
        const QString path = dir.write(QStringLiteral("nogroup"), QByteArray(),
                                       "[Other]\nAlpha=0.5\nTitelfarbe=#00ff00\n");
        QWidget w;
        QSkinObject s(&w, QSkinObject::MinMaxClose);
        s.setSkinFile(path);
        s.loadSkin();
        QCOMPARE(s.alphaValue(), 1.0);
        QCOMPARE(s.titleColor(), QColor(255, 100, 0, 255));
        QCOMPARE(s.titleFont().family(), QStringLiteral("Arial"));
        QCOMPARE(s.backgroundColor(), QColor(0, 0, 0));
    }

    void settingsAreRead()
    {
        const QString path =
            dir.write(QStringLiteral("values"), svgSkin(Borders()),
                      "[Skin]\nHintergrundfarbe=a0b0c0\nTitelfarbe=#123456\nAlpha=0.75\n"
                      "Titelschrift=\"Serif,13,-1,5,700,0,0,0,0,0,0,0,0,0,0,1\"\nSkinpfad=" +
                          dir.relative(QStringLiteral("values.svg")).toUtf8() + "\n");
        QWidget w;
        QSkinObject s(&w, QSkinObject::MinMaxClose);
        s.setSkinFile(path);
        QVERIFY(s.loadSkin());
        QCOMPARE(s.backgroundColor(), QColor(0xa0, 0xb0, 0xc0));
        QCOMPARE(s.titleColor(), QColor(0x12, 0x34, 0x56));
        QCOMPARE(s.alphaValue(), 0.75);
        QCOMPARE(s.titleFont().family(), QStringLiteral("Serif"));
        QCOMPARE(s.titleFont().pointSize(), 13);
        QVERIFY(s.titleFont().bold());
        QVERIFY(s.svgFile().endsWith(QStringLiteral("/values.svg")));
        QVERIFY(QFileInfo(s.svgFile()).isAbsolute());
    }

    // A skin that cannot be loaded leaves the window its system frame, and says why.
    void unusableSkinKeepsSystemFrame_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no settings file")
            << QStringLiteral("./no-such-skin/main.ini") << QStringLiteral("cannot be read");
        QTest::newRow("no svg file") << dir.write(QStringLiteral("nosvg"), QByteArray(),
                                                  "[Skin]\nSkinpfad=./no-such-skin/main.svg\n")
                                     << QStringLiteral("cannot be read");
        QTest::newRow("not an svg")
            << dir.write(QStringLiteral("garbage"), QByteArray(),
                         "[Skin]\nSkinpfad=" +
                             dir.relative(QStringLiteral("garbage.ini")).toUtf8() + "\n")
            << QStringLiteral("not a valid SVG");
        QTest::newRow("no close button") << dir.writeSkin(QStringLiteral("noclose"), Borders(),
                                                          QStringLiteral("close_button_normal"))
                                         << QStringLiteral("has no element");
        QTest::newRow("no left border")
            << dir.writeSkin(QStringLiteral("noleft"), Borders(), QStringLiteral("border_left"))
            << QStringLiteral("has no element");
    }
    void unusableSkinKeepsSystemFrame()
    {
        QFETCH(QString, settings);
        QFETCH(QString, reason);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(reason)));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("keeping the system")));
        ClosingWindow w;
        w.resize(kSize);
        QSkinObject s(&w, QSkinObject::MinMaxClose);
        s.setSkinFile(settings);
        s.startSkinning();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!s.isSkinning());
        QVERIFY(!(w.windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(w.contentsMargins(), QMargins());
        QVERIFY(w.mask().isEmpty());
        QVERIFY(!s.resizeHandler());
        QVERIFY(s.buttonRect(QSkinObject::Close).isEmpty());
    }

    // Stopping gives the window its system frame back.
    void stoppingRestoresSystemFrame()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        s->stopSkinning();
        QVERIFY(!(w->windowFlags() & Qt::FramelessWindowHint));
        QVERIFY(w->isVisible());
        QCOMPARE(w->contentsMargins(), QMargins());
        QVERIFY(w->mask().isEmpty());
        QVERIFY(!s->resizeHandler());
    }

    // Another skin while skinning: its borders; one that cannot be loaded gives the system
    // frame back rather than a frame drawn from nothing.
    void skinChangedWhileSkinning()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        s->setSkinFile(dir.writeSkin(QStringLiteral("other"), Borders{3, 20, 3, 3}));
        QVERIFY(s->isSkinning());
        QCOMPARE(w->contentsMargins(), QMargins(3, 20, 3, 3));
        QCOMPARE(s->resizeHandler()->catchRange(), 3);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot be read")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("system frame back")));
        s->setSkinFile(QStringLiteral("./no-such-skin/main.ini"));
        QVERIFY(!s->isSkinning());
        QVERIFY(!(w->windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(w->contentsMargins(), QMargins());
        QVERIFY(w->isVisible());
    }

    // A skin object that outlives its window does nothing more.
    void windowGoesFirst()
    {
        auto* w = new QWidget;
        w->resize(kSize);
        QSkinObject s(w, QSkinObject::MinMaxClose);
        s.setSkinFile(skin);
        s.startSkinning();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(s.isSkinning());
        s.resizeHandler()->doMove();
        delete w;
        QVERIFY(!s.skinnedWidget());
        s.updateStyle();
        s.updateButtons();
        s.toggleMaximize();
        s.resizeHandler()->doResize();
        s.resizeHandler()->activate();
        s.stopSkinning();
        QVERIFY(!QWidget::mouseGrabber());
    }

    void marginsAreBorderSizes()
    {
        const Borders b{11, 27, 4, 13};
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s, dir.writeSkin(QStringLiteral("margins"), b));
        QVERIFY(w);
        QVERIFY(s->isSkinning());
        QCOMPARE(w->contentsMargins(), QMargins(11, 27, 4, 13));
        QCOMPARE(w->contentsRect(), QRect(11, 27, kSize.width() - 15, kSize.height() - 40));
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(w->minimumWidth() >= 11 + 4 + 128);
    }

    void catchRange_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("range");
        QTest::newRow("9 px: whole") << 9 << 9;
        QTest::newRow("10 px: half") << 10 << 5;
        QTest::newRow("3 px: whole") << 3 << 3;
        QTest::newRow("21 px: half") << 21 << 10;
    }
    void catchRange()
    {
        QFETCH(int, left);
        QFETCH(int, range);
        Borders b;
        b.left = left;
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s,
                        dir.writeSkin(QStringLiteral("range%1").arg(left), b));
        QVERIFY(w);
        QSkinWidgetResizeHandler* h = s->resizeHandler();
        QCOMPARE(h->catchRange(), range);
        const int y = kSize.height() / 2;
        QCOMPARE(h->modeAt(QPoint(range - 1, y)), QSkinWidgetResizeHandler::Left);
        QCOMPARE(h->modeAt(QPoint(range, y)), QSkinWidgetResizeHandler::Center);
        QCOMPARE(h->modeAt(QPoint(kSize.width() - range, y)), QSkinWidgetResizeHandler::Right);
        QCOMPARE(h->modeAt(QPoint(kSize.width() - range - 1, y)), QSkinWidgetResizeHandler::Center);
        QCOMPARE(h->modeAt(QPoint(0, kSize.height() - 1)), QSkinWidgetResizeHandler::BottomLeft);
    }

    // The window takes the outline of the painted frame: outside the rounded corner it is not
    // there, on screen too.
    void maskFollowsRoundedCorner()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        const QRegion mask = w->mask();
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(1, 1)));
        QVERIFY(mask.contains(QPoint(kCornerRadius, 0)));
        QVERIFY(mask.contains(QPoint(0, kCornerRadius)));
        QVERIFY(mask.contains(QPoint(kSize.width() - 1, 0)));
        QVERIFY(mask.contains(QPoint(kSize.width() / 2, kSize.height() / 2)));
        QVERIFY(mask.contains(QPoint(kSize.width() - 1, kSize.height() - 1)));
        // On the screen: the frame's colour inside the outline, not outside it.
        QTRY_COMPARE(pixel(onScreen(w.get()), QPoint(kCornerRadius + 2, 1)), kFrame);
        QVERIFY(pixel(onScreen(w.get()), QPoint(0, 0)) != kFrame);
        // A new size gets a new outline.
        w->resize(300, 200);
        QTRY_VERIFY(w->mask().contains(QPoint(299, 199)));
        QVERIFY(!w->mask().contains(QPoint(399, 299)));
        QVERIFY(!w->mask().contains(QPoint(0, 0)));
    }

    // Buttons are drawn from their normal, hover and pressed elements.
    void hoverAndPressedDrawn()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        const QPoint close = s->buttonRect(QSkinObject::Close).center();
        const QPoint max = s->buttonRect(QSkinObject::Maximize).center();
        const QPoint min = s->buttonRect(QSkinObject::Minimize).center();
        QVERIFY(close.x() > max.x() && max.x() > min.x());
        QCOMPARE(pixel(w->grab().toImage(), close), kNormal);
        QCOMPARE(pixel(w->grab().toImage(), max), kNormal);
        QCOMPARE(pixel(w->grab().toImage(), min), kNormal);

        const QPoint origin = w->geometry().topLeft();
        mouse(w.get(), QEvent::MouseMove, origin + max);
        QImage shot = w->grab().toImage();
        QCOMPARE(pixel(shot, max), kHover);
        QCOMPARE(pixel(shot, close), kNormal);
        QCOMPARE(pixel(shot, min), kNormal);

        mouse(w.get(), QEvent::MouseButtonPress, origin + min, Qt::LeftButton, Qt::LeftButton);
        shot = w->grab().toImage();
        QCOMPARE(pixel(shot, min), kPressed);
        QCOMPARE(pixel(shot, max), kNormal);
        // Released away from the button: nothing happens, and it is drawn normal again.
        const QPoint away = origin + QPoint(kSize.width() / 2, kSize.height() / 2);
        mouse(w.get(), QEvent::MouseButtonRelease, away, Qt::LeftButton, Qt::NoButton);
        mouse(w.get(), QEvent::MouseMove, away);
        shot = w->grab().toImage();
        QCOMPARE(pixel(shot, min), kNormal);
        QCOMPARE(pixel(shot, max), kNormal);
        QVERIFY(!w->isMinimized());

        // Leaving the window clears the hover.
        mouse(w.get(), QEvent::MouseMove, origin + close);
        QCOMPARE(pixel(w->grab().toImage(), close), kHover);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w.get(), &leave);
        QCOMPARE(pixel(w->grab().toImage(), close), kNormal);
    }

    void closeOnlyModesHaveOneButton()
    {
        for (int mode : {int(QSkinObject::CloseOnly), int(QSkinObject::CloseHides),
                         QSkinObject::CloseHides | QSkinObject::NoTitle}) {
            QSkinObject* s = nullptr;
            auto w = window(mode, &s);
            QVERIFY(w);
            QVERIFY(!s->buttonRect(QSkinObject::Close).isEmpty());
            QVERIFY(s->buttonRect(QSkinObject::Maximize).isEmpty());
            QVERIFY(s->buttonRect(QSkinObject::Minimize).isEmpty());
            // The close button sits at the top right, inside the top border.
            const QRect close = s->buttonRect(QSkinObject::Close);
            QVERIFY(close.right() < kSize.width() - Borders().right);
            QVERIFY(close.bottom() < Borders().top);
        }
    }

    // The close button closes through the window's close event, as the window manager does.
    void closeButtonCloses_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("three buttons") << int(QSkinObject::MinMaxClose);
        QTest::newRow("close only") << int(QSkinObject::CloseOnly);
    }
    void closeButtonCloses()
    {
        QFETCH(int, mode);
        QSkinObject* s = nullptr;
        auto w = window(mode, &s);
        QVERIFY(w);
        click(w.get(), s->buttonRect(QSkinObject::Close).center());
        QCOMPARE(w->closes, 1);
        QVERIFY(!w->isVisible());
    }

    // With the hiding mode the close button hides; shown again, the window is where it was.
    void closeButtonHides()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::CloseHides | QSkinObject::NoTitle, &s);
        QVERIFY(w);
        click(w.get(), s->buttonRect(QSkinObject::Close).center());
        QVERIFY(!w->isVisible());
        QCOMPARE(w->closes, 0);
        QCOMPARE(w->windowState(), Qt::WindowNoState);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->pos(), kPlace);
        QCOMPARE(w->size(), kSize);
    }

    void maximizeTwiceRestores()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        const QRect area = w->screen()->availableGeometry();
        click(w.get(), s->buttonRect(QSkinObject::Maximize).center());
        QVERIFY(s->isMaximized());
        QTRY_COMPARE(w->geometry(), area);
        // The buttons follow the new width.
        QVERIFY(s->buttonRect(QSkinObject::Close).right() > area.width() - 40);
        // A maximized window is neither moved nor resized by a drag.
        drag(w.get(), area.topLeft() + QPoint(60, 12), area.topLeft() + QPoint(160, 112));
        QCOMPARE(w->geometry(), area);
        click(w.get(), s->buttonRect(QSkinObject::Maximize).center());
        QVERIFY(!s->isMaximized());
        QTRY_COMPARE(w->geometry(), QRect(kPlace, kSize));
    }

    // Restoring puts the window back on a screen when its old place is on none any more.
    void restoreKeepsWindowOnScreen()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        const QRect area = w->screen()->availableGeometry();
        // A place that no screen shows (as when a screen was removed while maximized).
        const QPoint lost = area.bottomRight() + QPoint(500, 400);
        w->move(lost);
        QTRY_COMPARE(w->pos(), lost);
        s->toggleMaximize();
        QTRY_COMPARE(w->geometry(), area);
        s->toggleMaximize();
        QTRY_VERIFY(area.contains(w->geometry()));
        QCOMPARE(w->size(), kSize);
    }

    void restoredGeometry()
    {
        const QRect one(0, 0, 1600, 1200);
        const QRect two(1600, 0, 1280, 1024);
        // Still on a screen: kept, even partly off it.
        QCOMPARE(QSkinObject::restoredGeometry(QRect(1700, 100, 400, 300), {one, two}, one),
                 QRect(1700, 100, 400, 300));
        QCOMPARE(QSkinObject::restoredGeometry(QRect(-200, 50, 400, 300), {one}, one),
                 QRect(-200, 50, 400, 300));
        // The second screen is gone: back inside the remaining one.
        QCOMPARE(QSkinObject::restoredGeometry(QRect(1700, 100, 400, 300), {one}, one),
                 QRect(1200, 100, 400, 300));
        // The resolution went down: the title row is below the screen.
        QCOMPARE(QSkinObject::restoredGeometry(QRect(100, 900, 400, 300), {QRect(0, 0, 800, 600)},
                                               QRect(0, 0, 800, 600)),
                 QRect(100, 300, 400, 300));
        // Too large for what is left: shrunk to it.
        QCOMPARE(QSkinObject::restoredGeometry(QRect(2000, 0, 1280, 1024), {QRect(0, 0, 1024, 768)},
                                               QRect(0, 0, 1024, 768)),
                 QRect(0, 0, 1024, 768));
        // Only a sliver of the title row showing does not count as on the screen.
        QCOMPARE(QSkinObject::restoredGeometry(QRect(1590, 10, 400, 300), {one}, one),
                 QRect(1200, 10, 400, 300));
    }

    // Without a window manager the system move is refused, and the window follows the drag.
    void titleBarDragMoves()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        const QPoint from = kPlace + QPoint(60, 12);
        drag(w.get(), from, from + QPoint(70, 40));
        QTRY_COMPARE(w->pos(), kPlace + QPoint(70, 40));
        QCOMPARE(w->size(), kSize);
        QVERIFY(!s->resizeHandler()->isActive());
    }

    void cornerDragResizes()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        w->setMinimumSize(200, 150);
        const QPoint corner = kPlace + QPoint(kSize.width() - 2, kSize.height() - 2);
        QCOMPARE(s->resizeHandler()->modeAt(corner - kPlace),
                 QSkinWidgetResizeHandler::BottomRight);
        drag(w.get(), corner, corner + QPoint(50, 30));
        QTRY_COMPARE(w->size(), kSize + QSize(50, 30));
        QCOMPARE(w->pos(), kPlace);
        // The frame is painted at the new size: the bottom-right corner is the frame's colour.
        QCOMPARE(pixel(w->grab().toImage(), QPoint(kSize.width() + 49, kSize.height() + 29)),
                 kFrame);
        // Never below the minimum size.
        const QPoint newCorner = kPlace + QPoint(w->width() - 2, w->height() - 2);
        drag(w.get(), newCorner, kPlace - QPoint(300, 300));
        QTRY_COMPARE(w->size(), QSize(200, 150));
        QCOMPARE(w->pos(), kPlace);
    }

    // The left edge: the right edge stays where it was.
    void leftEdgeDragResizes()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        const int right = w->geometry().right();
        const QPoint edge = kPlace + QPoint(1, kSize.height() / 2);
        drag(w.get(), edge, edge - QPoint(30, 0));
        QTRY_COMPARE(w->geometry().left(), kPlace.x() - 30);
        QCOMPARE(w->geometry().right(), right);
        QCOMPARE(w->height(), kSize.height());
    }

    // A fixed-size window moves from its edges too; it has nothing to resize.
    void fixedSizeWindowMovesFromEdge()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        w->setFixedSize(kSize);
        const QPoint corner = kPlace + QPoint(kSize.width() - 2, kSize.height() - 2);
        QCOMPARE(s->resizeHandler()->modeAt(corner - kPlace), QSkinWidgetResizeHandler::Center);
        drag(w.get(), corner, corner + QPoint(20, 10));
        QTRY_COMPARE(w->pos(), kPlace + QPoint(20, 10));
        QCOMPARE(w->size(), kSize);
    }

    void cursorShapeFollowsEdge()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        mouse(w.get(), QEvent::MouseMove, kPlace + QPoint(1, 150));
        QCOMPARE(w->cursor().shape(), Qt::SizeHorCursor);
        mouse(w.get(), QEvent::MouseMove, kPlace + QPoint(kSize.width() - 1, kSize.height() - 1));
        QCOMPARE(w->cursor().shape(), Qt::SizeFDiagCursor);
        mouse(w.get(), QEvent::MouseMove, kPlace + QPoint(kSize.width() - 1, 0));
        QCOMPARE(w->cursor().shape(), Qt::SizeBDiagCursor);
        mouse(w.get(), QEvent::MouseMove, kPlace + QPoint(200, kSize.height() - 1));
        QCOMPARE(w->cursor().shape(), Qt::SizeVerCursor);
        mouse(w.get(), QEvent::MouseMove, kPlace + QPoint(200, 150));
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
    }

    void keyboardMove()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        QCursor::setPos(kPlace + QPoint(200, 150));
        QTRY_COMPARE(QCursor::pos(), kPlace + QPoint(200, 150));
        QSkinWidgetResizeHandler* h = s->resizeHandler();
        h->doMove();
        QVERIFY(h->isActive());
        QCOMPARE(QWidget::keyboardGrabber(), w.get());
        QTest::keyClick(w.get(), Qt::Key_Right);
        QTest::keyClick(w.get(), Qt::Key_Right);
        QTest::keyClick(w.get(), Qt::Key_Left, Qt::ControlModifier);
        QTest::keyClick(w.get(), Qt::Key_Down);
        QTest::keyClick(w.get(), Qt::Key_Up, Qt::ControlModifier);
        QTRY_COMPARE(w->pos(), kPlace + QPoint(15, 7));
        QTest::keyClick(w.get(), Qt::Key_Return);
        QVERIFY(!h->isActive());
        QVERIFY(!QWidget::keyboardGrabber());
        QVERIFY(!QWidget::mouseGrabber());
        QTest::keyClick(w.get(), Qt::Key_Right);
        QCOMPARE(w->pos(), kPlace + QPoint(15, 7));
        // Alt+F7 starts it from the keyboard as well; Escape ends it.
        QTest::keyClick(w.get(), Qt::Key_F7, Qt::AltModifier);
        QVERIFY(h->isActive());
        QTest::keyClick(w.get(), Qt::Key_Left);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(!h->isActive());
        QTRY_COMPARE(w->pos(), kPlace + QPoint(7, 7));
    }

    void keyboardResize()
    {
        QSkinObject* s = nullptr;
        auto w = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(w);
        w->setMinimumSize(200, 150);
        // In the bottom-right quarter: the bottom-right corner is taken.
        QCursor::setPos(kPlace + QPoint(300, 200));
        QTRY_COMPARE(QCursor::pos(), kPlace + QPoint(300, 200));
        QSkinWidgetResizeHandler* h = s->resizeHandler();
        h->doResize();
        QCOMPARE(h->positionMode(), QSkinWidgetResizeHandler::BottomRight);
        QTest::keyClick(w.get(), Qt::Key_Right);
        QTest::keyClick(w.get(), Qt::Key_Down, Qt::ControlModifier);
        QTRY_COMPARE(w->geometry(), QRect(kPlace, kSize + QSize(8, 1)));
        // Leftwards the right edge follows until the cursor crosses the middle; then the
        // left corner is taken and the window grows to the left.
        for (int i = 0; i < 60 && h->positionMode() == QSkinWidgetResizeHandler::BottomRight; ++i)
            QTest::keyClick(w.get(), Qt::Key_Left);
        QCOMPARE(h->positionMode(), QSkinWidgetResizeHandler::BottomLeft);
        const QRect switched = w->geometry();
        QCOMPARE(switched.left(), kPlace.x());
        QTest::keyClick(w.get(), Qt::Key_Left);
        QTRY_COMPARE(w->geometry().left(), kPlace.x() - 8);
        QCOMPARE(w->geometry().right(), switched.right());
        QTest::keyClick(w.get(), Qt::Key_Space);
        QVERIFY(!h->isActive());
        QVERIFY(!QWidget::mouseGrabber());
        QVERIFY(w->width() >= 200);
    }

    // The title is drawn in the title colour unless the mode says not to.
    void titleDrawn()
    {
        const auto whiteIn = [](const QImage& image, const QRect& r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    n += image.pixelColor(x, y).lightness() > 200;
            return n;
        };
        const QRect title(30, 0, 150, Borders().top);
        QSkinObject* s = nullptr;
        auto titled = window(QSkinObject::MinMaxClose, &s);
        QVERIFY(titled);
        titled->setWindowTitle(QStringLiteral("WWWW MMMM"));
        QTRY_VERIFY(whiteIn(titled->grab().toImage(), title) > 20);
        auto untitled = window(QSkinObject::CloseHides | QSkinObject::NoTitle, &s);
        QVERIFY(untitled);
        untitled->setWindowTitle(QStringLiteral("WWWW MMMM"));
        QCOMPARE(whiteIn(untitled->grab().toImage(), title), 0);
    }
};

QTEST_MAIN(TestSkinObject)
#include "tst_skinobject.moc"
