// Ending the program under a real X server and sound server: closing the main window and the
// tray's Quit end the application's event loop in every layout, so the program ends through
// its normal path and writes its settings. Each case runs the event loop itself, as main does.
#include "Dialog.h"
#include "Echora.h"
#include "IVideo.h"
#include "OctImgBtn.h"
#include "PanelView.h"
#include "TestSupport.h"

#include <QAction>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSettings>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <memory>

class TestClosing : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;

    // Runs the application's event loop, as main does, until something ends it. False when it
    // was still running after `ms` (it is ended then).
    static bool eventLoopEnds(int ms)
    {
        bool stillRunning = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [&stillRunning] {
            stillRunning = true;
            QCoreApplication::exit(1);
        });
        watchdog.start(ms);
        QCoreApplication::exec();
        return !stillRunning;
    }

    // A shown main window with its panel and library beside it.
    static std::unique_ptr<Dialog> openWindow()
    {
        auto dialog = std::make_unique<Dialog>();
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            return nullptr;
        const QWidget* library = dialog->form().tsWidget;
        if (!QTest::qWaitFor([library] { return library->isVisible(); }, 10000))
            return nullptr;
        return dialog;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QMediaDevices::defaultAudioOutput().isNull())
            QSKIP("no sound server: run through the test script");
    }

    void cleanupTestCase() { root.reset(); }

    void init()
    {
        // A fresh runtime folder each time, as installed: no profile.ini yet.
        root.reset();
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Shipped);
        QVERIFY(root->isValid());
        QVERIFY(QFile::exists(QStringLiteral("help.flv")));
        QVERIFY(!QFile::exists(QStringLiteral("profile.ini")));
    }

    void closingWhileTheHelpVideoPlays()
    {
        std::unique_ptr<Dialog> dialog = openWindow();
        QVERIFY(dialog);
        const DialogForm& ui = dialog->form();
        ui.btnHelp->click();
        QVERIFY(dialog->isFullPlaying());
        // The video surface joins the window once the first picture is shown.
        QTRY_VERIFY_WITH_TIMEOUT(ui.videoPlaced(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(ui.glVideo->isVisible(), 5000);
        // The panel and the library window still stand with the main window.
        for (QWidget* tool : {static_cast<QWidget*>(ui.ctrlpanel), ui.tsWidget}) {
            QVERIFY(tool->windowHandle());
            QCOMPARE(tool->windowHandle()->transientParent(), dialog->windowHandle());
        }

        QTimer::singleShot(0, dialog.get(), &QWidget::close);
        QVERIFY2(eventLoopEnds(20000), "the program kept running after its window closed");
        dialog.reset();  // as main does once the loop has ended: settings written
        QSettings saved(QStringLiteral("profile.ini"), QSettings::IniFormat);
        QCOMPARE(saved.value("FullPlaying").toBool(), true);
        QCOMPARE(saved.value("MaterialName").toString(), QStringLiteral("help.flv"));
    }

    void closingAPractisingWindow()
    {
        std::unique_ptr<Dialog> dialog = openWindow();
        QVERIFY(dialog);
        QTimer::singleShot(0, dialog.get(), &QWidget::close);
        QVERIFY(eventLoopEnds(20000));
    }

    void quitFromTheTrayWithTheWindowsHidden()
    {
        std::unique_ptr<Dialog> dialog = openWindow();
        QVERIFY(dialog);
        const DialogForm& ui = dialog->form();
        dialog->doTrayIconActivated(QSystemTrayIcon::Trigger);
        QVERIFY(dialog->isHidden() && ui.ctrlpanel->isHidden() && ui.tsWidget->isHidden());

        QTimer::singleShot(0, ui.actionQuit, &QAction::trigger);
        QVERIFY2(eventLoopEnds(20000), "Quit did not end the program");
        dialog.reset();
        QVERIFY(QFile::exists(QStringLiteral("profile.ini")));
    }

    void quitFromTheTrayDuringTheHelpVideo()
    {
        std::unique_ptr<Dialog> dialog = openWindow();
        QVERIFY(dialog);
        const DialogForm& ui = dialog->form();
        ui.actionHelp->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(ui.videoPlaced(), 15000);
        QTimer::singleShot(0, ui.actionQuit, &QAction::trigger);
        QVERIFY2(eventLoopEnds(20000), "Quit did not end the program");
    }
};

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
