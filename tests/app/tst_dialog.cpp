// The main window under a real X server: its form, placement of the tool windows, settings,
// the tray menu, the shared volume and the control surface.
#include "BalTipLable.h"
#include "Dialog.h"
#include "Echora.h"
#include "IVideo.h"
#include "LrcLstView.h"
#include "MatTree.h"
#include "OctImgBtn.h"
#include "PanelView.h"
#include "PhaseTabs.h"
#include "PlotView.h"
#include "TabsCtrl.h"
#include "TabsView.h"
#include "TestSupport.h"
#include "TreesView.h"
#include "VoicerImg.h"
#include "VolSlider.h"
#include "wikiSlider.h"

#include <QGridLayout>

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMovie>
#include <QOpenGLWidget>
#include <QScreen>
#include <QSettings>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

namespace {
ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

bool writeProfile(const QByteArray& text)
{
    QFile f(QStringLiteral("profile.ini"));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}
}  // namespace

class TestDialog : public QObject {
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

    void formHasEveryWidget()
    {
        Dialog dialog;
        const char* names[] = {
            "actionQuit", "actionHelp", "actionAbout", "ctrlpanel",  "phaseTabs",   "adjLrc",
            "lrcSplit",   "recCtrl",    "lab_recCVol", "recCtrlVol", "btnHelp",     "matShow",
            "tsWidget",   "tabWidget",  "botCtrl",     "maskLabel",  "txtLrc",      "karaLrc",
            "lstLrc",     "videoPage",  "wikiPauser",  "wikiSlid",   "wikiStopper", "wikiVoice",
            "volSlid",    "wikiTime",   "recPlot",     "pcePlot",    "oriPlot",     "recPlay",
            "pcePlay",    "oriPlay",    "recVolImg",   "pceVolImg",  "oriVolImg",   "recVol",
            "pceVol",     "oriVol",     "recTime",     "pceTime",    "oriTime",     "label_rec",
            "label_pce",  "label_ori",  "speedBtn"};
        for (const char* name : names)
            QVERIFY2(dialog.findChild<QObject*>(QLatin1String(name)), name);
        const DialogForm& ui = dialog.form();
        // Each widget lives in the window it belongs to.
        for (QWidget* w : {static_cast<QWidget*>(ui.phaseTabs), static_cast<QWidget*>(ui.recCtrl),
                           static_cast<QWidget*>(ui.matShow), static_cast<QWidget*>(ui.btnHelp)})
            QCOMPARE(w->window(), static_cast<QWidget*>(ui.ctrlpanel));
        for (QWidget* w : {static_cast<QWidget*>(ui.tabWidget), static_cast<QWidget*>(ui.botCtrl),
                           static_cast<QWidget*>(ui.maskLabel)})
            QCOMPARE(w->window(), ui.tsWidget);
        for (QWidget* w : {static_cast<QWidget*>(ui.txtLrc), static_cast<QWidget*>(ui.oriPlot),
                           static_cast<QWidget*>(ui.recTime)})
            QCOMPARE(w->window(), static_cast<QWidget*>(&dialog));

        // The video surface joins the video page only when the display is first switched on:
        // until then no OpenGL widget is in any window.
        QCOMPARE(ui.glVideo->objectName(), QStringLiteral("glVideo"));
        QVERIFY(!ui.glVideo->parent());
        QVERIFY(dialog.findChildren<QOpenGLWidget*>().isEmpty());
        QVERIFY(ui.videoPage->findChild<QWidget*>(QStringLiteral("videoHolder")));
        Q_EMIT ui.glVideo->displayOn();
        QCOMPARE(ui.glVideo->parentWidget(), ui.videoPage);
        QCOMPARE(dialog.findChildren<QOpenGLWidget*>().size(), 1);
        QVERIFY(!ui.videoPage->findChild<QWidget*>(QStringLiteral("videoHolder")));
        Q_EMIT ui.glVideo->displayOn();  // a second time changes nothing
        QCOMPARE(ui.glVideo->parentWidget(), ui.videoPage);

        QCOMPARE(dialog.size(), QSize(666, 480));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("声林口语训练软件"));
        QCOMPARE(ui.label_rec->text(), QStringLiteral("当前录音"));
        QCOMPARE(ui.label_pce->text(), QStringLiteral("所选单句"));
        QCOMPARE(ui.label_ori->text(), QStringLiteral("材料全文"));
        QCOMPARE(ui.oriTime->text(), QStringLiteral("00:00:00\n00:00:00"));
        QCOMPARE(ui.lrcSplit->uncheckedText(), QStringLiteral("截断"));
        QCOMPARE(ui.adjLrc->checkedText(), QStringLiteral("编辑"));
        QCOMPARE(ui.phaseTabs->count(), 3);
        QCOMPARE(ui.phaseTabs->tabText(1), QStringLiteral("Listen & Repeat@跟读训练"));
        QCOMPARE(ui.tabWidget->tabText(2), QStringLiteral("高级"));
        QCOMPARE(ui.txtLrc->currentIndex(), 1);
        QCOMPARE(ui.recVolImg->popupWidget(), ui.recVol);
        QCOMPARE(ui.recVolImg->firstCompanion(), ui.label_rec);
        QCOMPARE(ui.recVolImg->secondCompanion(), ui.recTime);
        QCOMPARE(ui.wikiVoice->popupWidget(), ui.volSlid);
        // "Editor" absent: the edit buttons stay hidden.
        QVERIFY(ui.adjLrc->isHidden());
        QVERIFY(ui.lrcSplit->isHidden());
    }

    void firstStartPlacesTheThreeWindows()
    {
        QVERIFY(!QFile::exists(QStringLiteral("profile.ini")));
        {
            QFile list(TreesView::localList(0));
            QVERIFY(list.open(QIODevice::WriteOnly));
            list.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE parlino>\n"
                       "<parlino version=\"1.0\"><train folded=\"no\"><title>Fables</title>"
                       "<case url=\"fox.mp3\"><title>The Fox</title></case></train></parlino>\n");
        }
        Dialog dialog;
        const DialogForm& ui = dialog.form();
        // Until the main window has been drawn, the windows beside it, the library lists, the
        // program icon and the loading animation wait.
        QVERIFY(ui.ctrlpanel->isHidden());
        QVERIFY(ui.tsWidget->isHidden());
        QCOMPARE(ui.tabWidget->tree(0)->topLevelItemCount(), 0);
        QVERIFY(dialog.windowIcon().isNull());
        QVERIFY(!ui.maskLabel->movie());
        QVERIFY(dialog.trayMenu());
        QTest::qWait(50);  // never drawn while hidden: still waiting
        QVERIFY(ui.tsWidget->isHidden());

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY(ui.ctrlpanel->isVisible());
        QVERIFY(ui.tsWidget->isVisible());
        QCOMPARE(ui.tabWidget->tree(0)->topLevelItemCount(), 1);
        QCOMPARE(ui.tabWidget->tree(0)->topLevelItem(0)->child(0)->text(0),
                 QStringLiteral("The Fox"));
        QVERIFY(dialog.windowIcon().availableSizes().contains(QSize(256, 256)));
        QVERIFY(ui.maskLabel->movie());
        QVERIFY(ui.maskLabel->isHidden());

        const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
        const QPoint expected((desk.width() - 666) / 2, (desk.height() - 480 - 90) / 2);
        QCOMPARE(dialog.pos(), expected);
        QCOMPARE(ui.ctrlpanel->pos(), expected + QPoint(0, 480));
        QCOMPARE(ui.ctrlpanel->size(), QSize(666, 90));
        QCOMPARE(ui.tsWidget->pos(), expected + QPoint(666, 0));
        QCOMPARE(ui.tsWidget->height(), 480 + 90);
        QCOMPARE(ui.phaseTabs->currentIndex(), 0);
        QCOMPARE(dialog.controller()->currentPhase(), 0);
        QVERIFY(dialog.controller()->materialName().isEmpty());
        QVERIFY(!dialog.isFullPlaying());

        // Moving the main window drags both tool windows by the same offset.
        dialog.move(dialog.pos() + QPoint(40, 25));
        QTRY_COMPARE(ui.ctrlpanel->pos(), expected + QPoint(40, 25 + 480));
        QTRY_COMPARE(ui.tsWidget->pos(), expected + QPoint(40 + 666, 25));
    }

    void settingsRoundTrip()
    {
        {
            Dialog dialog;
            const DialogForm& ui = dialog.form();
            dialog.move(100, 120);
            ui.recVol->setValue(33);
            ui.recCtrlVol->setValue(60);
            ui.oriVol->setValue(10);
            ui.tabWidget->setCurrentIndex(2);
            ui.phaseTabs->setCurrentIndex(2);
        }
        QSettings saved(QStringLiteral("profile.ini"), QSettings::IniFormat);
        QCOMPARE(saved.value("pos-x").toInt(), 100);
        QCOMPARE(saved.value("pos-y").toInt(), 120);
        QCOMPARE(saved.value("vol-rec").toInt(), 33);
        QCOMPARE(saved.value("apl-rec").toInt(), 60);
        QCOMPARE(saved.value("vol-ori").toInt(), 10);
        QCOMPARE(saved.value("MaterialDiff").toInt(), 2);
        QCOMPARE(saved.value("FullPlaying").toBool(), false);
        QCOMPARE(saved.value("MaterialName").toString(), QString());
        QCOMPARE(saved.value("Phase").toInt(), 2);
        QCOMPARE(saved.value("Page").toInt(), 1);
        QVERIFY(!saved.contains("Editor"));  // never written

        Dialog again;
        const DialogForm& ui = again.form();
        QCOMPARE(again.pos(), QPoint(100, 120));
        QCOMPARE(ui.recVol->value(), 33);
        QCOMPARE(ui.recCtrlVol->value(), 60);
        QCOMPARE(ui.oriVol->value(), 10);
        QCOMPARE(ui.pceVol->value(), 10);  // one shared source volume
        QCOMPARE(ui.tabWidget->currentIndex(), 2);
        QCOMPARE(ui.phaseTabs->currentIndex(), 2);
        QCOMPARE(again.controller()->currentPhase(), 2);
    }

    void profileIsReplacedWholeNeverRewrittenInPlace()
    {
        QVERIFY(writeProfile("[General]\nEditor=true\n"));
        const ino_t before = inodeOf(QStringLiteral("profile.ini"));
        QVERIFY(before != 0);
        {
            Dialog dialog;
            QVERIFY(!dialog.form().adjLrc->isHidden());
        }
        // The file was written beside and renamed over the old one: a crash during the write
        // leaves the previous complete file, never a truncated one.
        QVERIFY(inodeOf(QStringLiteral("profile.ini")) != before);
        QSettings saved(QStringLiteral("profile.ini"), QSettings::IniFormat);
        QCOMPARE(saved.value("Editor").toBool(), true);
        QVERIFY(saved.contains("pos-x"));
    }

    void junkProfileGivesDefaults()
    {
        QVERIFY(
            writeProfile("[General]\npos-x=abc\npos-y=\x01\x02\nvol-rec=loud\napl-rec=1e99\n"
                         "vol-ori=\nMaterialDiff=x\nFullPlaying=maybe\nMaterialName=./workspace/"
                         "gone.mp3\nPhase=99\nPage=-4\nEditor=perhaps\n"));
        Dialog dialog;
        const DialogForm& ui = dialog.form();
        const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
        QCOMPARE(dialog.pos(), QPoint((desk.width() - 666) / 2, (desk.height() - 570) / 2));
        QCOMPARE(ui.recVol->value(), 75);
        QCOMPARE(ui.oriVol->value(), 75);
        QCOMPARE(ui.tabWidget->currentIndex(), 0);
        QCOMPARE(ui.phaseTabs->currentIndex(), 0);
        QCOMPARE(ui.txtLrc->currentIndex(), 1);
        QVERIFY(!dialog.isFullPlaying());
        QVERIFY(ui.adjLrc->isHidden());
        // The missing material is handed over and refused quietly.
        QCOMPARE(dialog.controller()->materialName(), QStringLiteral("./workspace/gone.mp3"));
        QVERIFY(!ui.phaseTabs->isEnabled());

        QVERIFY(writeProfile("[General]\npos-x=99999\npos-y=-99999\n"));
        Dialog offscreen;
        QCOMPARE(offscreen.pos(), QPoint((desk.width() - 666) / 2, (desk.height() - 570) / 2));
    }

    void fullPlayingAtStart()
    {
        QFile::copy(QStringLiteral(ECHORA_SOURCE_DIR "/data/runtime/help.flv"),
                    QStringLiteral("help.flv"));
        QVERIFY(
            writeProfile("[General]\nFullPlaying=true\nMaterialName=./workspace/x.mp3\nPhase=2\n"));
        Dialog dialog;
        const DialogForm& ui = dialog.form();
        QVERIFY(dialog.isFullPlaying());
        QCOMPARE(dialog.controller()->materialName(), QStringLiteral("help.flv"));
        QCOMPARE(ui.phaseTabs->currentIndex(), 0);  // "Phase" is not read in full-playing mode
        QCOMPARE(ui.txtLrc->currentIndex(), 2);
        QVERIFY(ui.oriPlot->isHidden());
        QVERIFY(ui.recPlot->isHidden());
        QVERIFY(!ui.wikiSlid->isHidden());
        QVERIFY(ui.recCtrl->isHidden());
        QCOMPARE(ui.plotsLO->verticalSpacing(), 0);
        QCOMPARE(ui.tsWidget->height(), 480 + 66);
        QVERIFY(!ui.ctrlpanel->cornerFilled());
        QCOMPARE(dialog.controller()->materialView(), static_cast<vPlotWidget*>(ui.wikiSlid));

        // Twice in a row gives the same layout as once; and back.
        dialog.setFullPlaying(true);
        QVERIFY(ui.oriPlot->isHidden());
        QCOMPARE(ui.tsWidget->height(), 480 + 66);
        dialog.setFullPlaying(false);
        QVERIFY(!ui.oriPlot->isHidden());
        QVERIFY(ui.wikiSlid->isHidden());
        QCOMPARE(ui.plotsLO->verticalSpacing(), 22);
        QCOMPARE(ui.tsWidget->height(), 480 + 90);
        QCOMPARE(dialog.controller()->materialView(), static_cast<vPlotWidget*>(ui.oriPlot));
        QCOMPARE(ui.txtLrc->tabToolTip(1), QStringLiteral("材料全文"));
    }

    void trayMenu()
    {
        Dialog dialog;
        const QList<QAction*> actions = dialog.trayMenu()->actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions[0], dialog.form().actionHelp);
        QVERIFY(actions[1]->isSeparator());
        QCOMPARE(actions[2], dialog.form().actionQuit);
        QCOMPARE(actions[0]->text(), QStringLiteral("帮助视频"));
        QCOMPARE(actions[2]->text(), QStringLiteral("退出"));
    }

    void sharedSourceVolume()
    {
        Dialog dialog;
        const DialogForm& ui = dialog.form();
        QSignalSpy pceSpy(ui.pceVol, &VolSlider::sigPercChanged);
        QSignalSpy wikiSpy(ui.volSlid, &VolSlider::sigPercChanged);
        ui.oriVol->setValue(20);
        QCOMPARE(ui.pceVol->value(), 20);
        QCOMPARE(ui.volSlid->value(), 20);
        QCOMPARE(pceSpy.count(), 0);  // no re-entry through the other sliders
        QCOMPARE(wikiSpy.count(), 0);
        const QImage expected = QPixmap(QStringLiteral(":/images/volumer025.png")).toImage();
        for (VoicerImg* icon : {ui.oriVolImg, ui.pceVolImg, ui.wikiVoice})
            QCOMPARE(icon->pixmap().toImage(), expected);
        ui.volSlid->setValue(90);
        QCOMPARE(ui.oriVol->value(), 90);
        QCOMPARE(ui.pceVol->value(), 90);
    }

    void levelIcons()
    {
        QCOMPARE(Dialog::levelSuffix(0), QStringLiteral("000"));
        QCOMPARE(Dialog::levelSuffix(0.01f), QStringLiteral("025"));
        QCOMPARE(Dialog::levelSuffix(0.25f), QStringLiteral("025"));
        QCOMPARE(Dialog::levelSuffix(0.5f), QStringLiteral("050"));
        QCOMPARE(Dialog::levelSuffix(0.75f), QStringLiteral("075"));
        QCOMPARE(Dialog::levelSuffix(0.76f), QStringLiteral("100"));
    }

    void nothingThatNeedsAMaterialWithoutOne()
    {
        const QString source = QStringLiteral(ECHORA_SOURCE_DIR "/data/runtime/workspace/");
        const QString material = QStringLiteral("./workspace/fox_and_grapes.mp3");
        const QString bare = QStringLiteral("./workspace/bare.mp3");
        QVERIFY(QFile::copy(source + QStringLiteral("fox_and_grapes.mp3"), material));
        QVERIFY(QFile::copy(source + QStringLiteral("fox_and_grapes.lrc"),
                            QStringLiteral("./workspace/fox_and_grapes.lrc")));
        QVERIFY(QFile::copy(source + QStringLiteral("fox_and_grapes.mp3"), bare));

        // First start: no material, so no phase, recording or playing.
        Dialog dialog;
        const DialogForm& ui = dialog.form();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const auto disabled = [&ui] {
            for (QWidget* w :
                 {static_cast<QWidget*>(ui.phaseTabs), static_cast<QWidget*>(ui.recCtrl),
                  static_cast<QWidget*>(ui.oriPlay), static_cast<QWidget*>(ui.pcePlay),
                  static_cast<QWidget*>(ui.recPlay), static_cast<QWidget*>(ui.wikiPauser)})
                if (w->isEnabled())
                    return w->objectName();
            return QString();
        };
        QCOMPARE(disabled(), QString());

        // A material with sentences: everything for it, Listen & Repeat included.
        dialog.doSwitchSig(material);
        QVERIFY(ui.phaseTabs->isEnabled());
        QVERIFY(ui.recCtrl->isEnabled());
        QVERIFY(ui.oriPlay->isEnabled());
        ui.phaseTabs->setCurrentIndex(1);
        QCOMPARE(dialog.controller()->currentPhase(), 1);
        QVERIFY(ui.pcePlay->isEnabled());

        // One without sentences: Listen & Repeat gives way to Passage Imitation.
        dialog.doSwitchSig(bare);
        QCOMPARE(ui.phaseTabs->currentIndex(), 0);
        QCOMPARE(dialog.controller()->currentPhase(), 0);
        QVERIFY(!ui.phaseTabs->isTabEnabled(1));
        QVERIFY(!ui.pcePlay->isEnabled());
        QVERIFY(ui.recCtrl->isEnabled());
        QCOMPARE(ui.txtLrc->currentIndex(), 1);

        // The library closes the material: all off again.
        dialog.doSwitchSig(QString());
        QCOMPARE(disabled(), QString());
    }

    // The panel's speed button shows the material's speed; a click cycles it, "[" and "]"
    // step it from any window, and the choice is written to the settings for the material.
    void speedControl()
    {
        const QString source = QStringLiteral(ECHORA_SOURCE_DIR "/data/runtime/workspace/");
        const QString material = QStringLiteral("./workspace/fox_and_grapes.mp3");
        QVERIFY(QFile::copy(source + QStringLiteral("fox_and_grapes.mp3"), material));
        {
            Dialog dialog;
            const DialogForm& ui = dialog.form();
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QTRY_VERIFY(ui.ctrlpanel->isVisible());
            dialog.doSwitchSig(material);
            QCOMPARE(ui.speedBtn->window(), static_cast<QWidget*>(ui.ctrlpanel));
            QCOMPARE(ui.speedBtn->uncheckedText(), QStringLiteral("1.0×"));
            ui.speedBtn->click();
            QCOMPARE(ui.speedBtn->uncheckedText(), QStringLiteral("1.1×"));
            QCOMPARE(dialog.controller()->speed(), 11);
            dialog.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            for (int i = 0; i < 5; ++i)
                QTest::keyClick(&dialog, Qt::Key_BracketLeft);
            QCOMPARE(ui.speedBtn->uncheckedText(), QStringLiteral("0.6×"));
            QTest::keyClick(&dialog, Qt::Key_BracketRight);
            QCOMPARE(ui.speedBtn->uncheckedText(), QStringLiteral("0.7×"));
            // Typed into an editable text, a bracket is text, not a change of speed.
            ui.lstLrc->setReadOnly(false);
            ui.lstLrc->setFocus();
            QTest::keyClick(ui.lstLrc, Qt::Key_BracketLeft);
            QCOMPARE(ui.speedBtn->uncheckedText(), QStringLiteral("0.7×"));
            QVERIFY(ui.lstLrc->toPlainText().contains(QLatin1Char('[')));
            QTest::mouseMove(ui.speedBtn);
            QTRY_VERIFY(BalTipLable::current() && BalTipLable::current()->isVisible());
            QVERIFY(BalTipLable::current()->text().contains(QStringLiteral("0.7×")));
        }
        // Read back at the next start, for that material only.
        Dialog again;
        QCOMPARE(again.controller()->materialName(), material);
        QCOMPARE(again.form().speedBtn->uncheckedText(), QStringLiteral("0.7×"));
    }

    void controlSurfaceBlocksSignals()
    {
        Dialog dialog;
        const DialogForm& ui = dialog.form();
        // Checking a play button from the controller does not start playback.
        dialog.checkOriPlay(true);
        QVERIFY(ui.oriPlay->isChecked());
        QVERIFY(ui.wikiPauser->isChecked());
        QCOMPARE(dialog.controller()->flags(), 0);

        // Disabling the current phase tab keeps it current and signals nothing.
        ui.phaseTabs->setCurrentIndex(2);
        QSignalSpy spy(ui.phaseTabs, &QTabBar::currentChanged);
        dialog.enablePhase(false, 2);
        QCOMPARE(ui.phaseTabs->currentIndex(), 2);
        QVERIFY(!ui.phaseTabs->isTabEnabled(2));
        QCOMPARE(spy.count(), 0);

        dialog.setOriTime(QStringLiteral("00:00:01\n00:00:09"));
        QCOMPARE(ui.oriTime->text(), QStringLiteral("00:00:01\n00:00:09"));
        QCOMPARE(ui.wikiTime->text(), QStringLiteral("00:00:01\n00:00:09"));

        // The material toggle shows and hides the library window.
        dialog.show();
        QTRY_VERIFY(ui.tsWidget->isVisible());
        ui.matShow->click();
        QVERIFY(ui.tsWidget->isHidden());
        ui.matShow->click();
        QVERIFY(ui.tsWidget->isVisible());

        // A tray click hides all three windows and brings them back.
        dialog.doTrayIconActivated(QSystemTrayIcon::Context);
        QVERIFY(dialog.isVisible());
        dialog.doTrayIconActivated(QSystemTrayIcon::Trigger);
        QVERIFY(dialog.isHidden() && ui.ctrlpanel->isHidden() && ui.tsWidget->isHidden());
        dialog.doTrayIconActivated(QSystemTrayIcon::Trigger);
        QVERIFY(dialog.isVisible() && ui.ctrlpanel->isVisible() && ui.tsWidget->isVisible());
    }
};

QTEST_MAIN(TestDialog)
#include "tst_dialog.moc"
