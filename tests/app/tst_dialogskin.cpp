// The main window and its library window with the shipped skin (copied beside this test):
// both frameless and skinned, the title bar drags the three windows together, the library's
// close button hides it, and the main window's close button closes it the way the window
// manager's close does.
#include "Dialog.h"
#include "OctImgBtn.h"
#include "PanelView.h"
#include "PlotView.h"
#include "QSkinObject.h"
#include "TabsView.h"
#include "TestSupport.h"

#include <QMouseEvent>
#include <QSettings>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {
void mouse(QWidget* window, QEvent::Type type, const QPoint& global, Qt::MouseButton button,
           Qt::MouseButtons buttons)
{
    const QPointF local = QPointF(global - window->geometry().topLeft());
    QMouseEvent event(type, local, local, QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

void click(QWidget* window, const QPoint& local)
{
    const QPoint global = window->geometry().topLeft() + local;
    mouse(window, QEvent::MouseButtonPress, global, Qt::LeftButton, Qt::LeftButton);
    mouse(window, QEvent::MouseButtonRelease, global, Qt::LeftButton, Qt::NoButton);
}

QSkinObject* skinOf(const Dialog& dialog, const QWidget* window)
{
    for (QSkinObject* s : dialog.findChildren<QSkinObject*>()) {
        if (s->skinnedWidget() == window)
            return s;
    }
    return nullptr;
}

// Counts the close events a window receives.
class CloseCounter : public QObject {
public:
    int closes = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        closes += event->type() == QEvent::Close;
        return false;
    }
};
}  // namespace

class TestDialogSkin : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;

private Q_SLOTS:
    void init()
    {
        // Every case starts in a fresh runtime folder, as on a first start.
        root.reset();
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Bare);
        QVERIFY(root->isValid());
    }

    void windowsAreSkinned()
    {
        Dialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const DialogForm& ui = dialog.form();
        QTRY_VERIFY(ui.tsWidget->isVisible());
        QSkinObject* main = skinOf(dialog, &dialog);
        QSkinObject* library = skinOf(dialog, ui.tsWidget);
        QVERIFY(main && main->isSkinning());
        QVERIFY(library && library->isSkinning());
        QCOMPARE(main->buttonMode(), int(QSkinObject::MinMaxClose));
        QCOMPARE(library->buttonMode(), QSkinObject::CloseHides | QSkinObject::NoTitle);
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(ui.tsWidget->windowFlags().testFlag(Qt::Tool));
        QVERIFY(ui.tsWidget->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(dialog.contentsMargins(), main->borders());
        QVERIFY(main->borders().top() > 0);
        QVERIFY(!dialog.mask().contains(QPoint(0, 0)));
        // The window keeps its fixed size; the content sits inside the frame.
        QCOMPARE(dialog.size(), QSize(666, 480));
        QVERIFY(ui.txtLrc->geometry().top() >= main->borders().top());
        QVERIFY(ui.oriPlot->geometry().bottom() < 480 - main->borders().bottom());
        QVERIFY(!main->buttonRect(QSkinObject::Minimize).isEmpty());
        QVERIFY(library->buttonRect(QSkinObject::Maximize).isEmpty());
    }

    // Dragging the title bar moves the main window, and the panel and library follow.
    void titleBarDragMovesAllThree()
    {
        Dialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const DialogForm& ui = dialog.form();
        QTRY_VERIFY(ui.tsWidget->isVisible());
        const QPoint start = dialog.pos();
        const QPoint panel = ui.ctrlpanel->pos();
        const QPoint library = ui.tsWidget->pos();
        const QPoint from = start + QPoint(200, 12);
        const QPoint by(-45, 30);
        mouse(&dialog, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(&dialog, QEvent::MouseMove, from + by / 2, Qt::NoButton, Qt::LeftButton);
        mouse(&dialog, QEvent::MouseMove, from + by, Qt::NoButton, Qt::LeftButton);
        mouse(&dialog, QEvent::MouseButtonRelease, from + by, Qt::LeftButton, Qt::NoButton);
        QTRY_COMPARE(dialog.pos(), start + by);
        QTRY_COMPARE(ui.ctrlpanel->pos(), panel + by);
        QTRY_COMPARE(ui.tsWidget->pos(), library + by);
    }

    // The library's close button hides it; the library button shows it in its place again.
    void libraryCloseHides()
    {
        Dialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const DialogForm& ui = dialog.form();
        QTRY_VERIFY(ui.tsWidget->isVisible());
        const QPoint place = ui.tsWidget->pos();
        click(ui.tsWidget, skinOf(dialog, ui.tsWidget)->buttonRect(QSkinObject::Close).center());
        QVERIFY(ui.tsWidget->isHidden());
        QVERIFY(dialog.isVisible());
        ui.matShow->click();
        QTRY_VERIFY(ui.tsWidget->isVisible());
        QCOMPARE(ui.tsWidget->pos(), place);
    }

    // The main window's close button closes it as the window manager would: the close event
    // runs and, the last window being gone, the program's event loop ends; once the window is
    // deleted, as the program then does, the settings are written.
    void closeButtonClosesMainWindow()
    {
        auto dialog = std::make_unique<Dialog>();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QTRY_VERIFY(dialog->form().tsWidget->isVisible());
        dialog->move(dialog->pos() + QPoint(13, 17));
        const QPoint place = dialog->pos();
        CloseCounter counter;
        dialog->installEventFilter(&counter);
        const QPoint close = skinOf(*dialog, dialog.get())->buttonRect(QSkinObject::Close).center();
        QTimer::singleShot(0, dialog.get(), [&] { click(dialog.get(), close); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        watchdog.start(20000);
        qApp->setQuitOnLastWindowClosed(true);
        QCOMPARE(qApp->exec(), 0);
        QCOMPARE(counter.closes, 1);
        QVERIFY(dialog->isHidden());
        dialog.reset();
        QSettings profile(QStringLiteral("profile.ini"), QSettings::IniFormat);
        QCOMPARE(profile.value(QStringLiteral("pos-x")).toInt(), place.x());
        QCOMPARE(profile.value(QStringLiteral("pos-y")).toInt(), place.y());
    }
};

QTEST_MAIN(TestDialogSkin)
#include "tst_dialogskin.moc"
