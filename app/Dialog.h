#pragma once
// Dialog: the main window. Owns the form of its three windows (main window, control panel
// below it, library window to its right), the settings store "profile.ini", the tray icon
// and the practice controller, and implements the control surface the controller drives.
// GUI thread only.
#include "DialogForm.h"
#include "vCtrlWidget.h"

#include <QSystemTrayIcon>
#include <QWidget>

class Echora;
class QIcon;
class QAction;
class QMenu;
class QMovie;
class QSettings;
class QSkinObject;

class Dialog : public QWidget, public vCtrlWidget {
    Q_OBJECT
public:
    explicit Dialog(QWidget* parent = nullptr);
    ~Dialog() override;

    // The control surface.
    void enableOriPlay(bool enabled) override;
    void enablePcePlay(bool enabled) override;
    void enableRecPlay(bool enabled) override;
    void checkOriPlay(bool checked) override;
    void checkPcePlay(bool checked) override;
    void checkRecPlay(bool checked) override;
    void showOriRow(bool shown) override;
    void showPceRow(bool shown) override;
    void showRecRow(bool shown) override;
    void enablePractice(bool enabled) override;
    void enablePhase(bool enabled, int phase) override;
    void selectPhase(int phase) override;
    void checkRecCtrl(bool checked) override;
    void setFullPlaying(bool on) override;
    void setTabsOffset(int x, int y) override;
    void setRecTime(const QString& text) override;
    void setPceTime(const QString& text) override;
    void setOriTime(const QString& text) override;
    void showSpeed(int tenths) override;

    const DialogForm& form() const { return ui; }
    Echora* controller() const { return echora; }
    bool isFullPlaying() const { return fullPlaying; }
    QMenu* trayMenu() const { return trayIconMenu; }
    QAction* restoreLrcEntry() const { return restoreLrcAction; }

    // The value of "--list-server URL" (or "--list-server=URL") among the program's arguments,
    // or empty. It wins over the "ListServer" key of "profile.ini".
    static QString listServerOption(const QStringList& arguments);

    // Icon level suffix for a volume or gain fraction: "000", "025", "050", "075", "100".
    static QString levelSuffix(float x);

public Q_SLOTS:
    void doExportSig(QString path);
    void doSwitchSig(QString path);
    void doPhaseCho(int index);
    void doPlayOri(bool on);
    void doPlayPce(bool on);
    void doPlayRec(bool on);
    void doRecStart(bool on);
    void doRecCtrlVol(float x);
    void doVolRec(float x);
    void doVolPce(float x);
    void doVolOri(float x);
    void doWikiStop();
    void doToggleMat();
    void doLrcEdit(bool on);
    void doSplitLrc();
    // The material's speed: the panel button cycles it, "[" and "]" step it.
    void doSpeedCycle();
    void doSlower();
    void doFaster();
    // "恢复原始时间": after a confirmation, the sentence file as it was before the first edit.
    void doRestoreLrc();
    void doTrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void doTsMask(bool fetching);
    void doVideoOn();
    void on_actionQuit_triggered();
    void on_actionHelp_triggered();
    void on_actionAbout_triggered();

protected:
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The speed button's balloon tip follows the pointer over it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The first paint finishes the start-up (finishStartup).
    void paintEvent(QPaintEvent* event) override;

private:
    void connectForm();
    void loadButtonImages();
    void readVolumes();
    void setupPhaseTabs();
    void placeToolWindows();
    // Right after the main window is first drawn, once: the program icon (window and tray),
    // the library lists and loading animation, and the control panel and library windows
    // beside the main window.
    // What the main window's first picture does not need waits until then, so the learner
    // sees it as early as possible.
    void finishStartup();
    void createTrayMenu();
    // Tells the learner why an editing operation changed nothing, if it said why.
    void showEditMessage();
    void showSpeedTip();
    void createTrayIcon(const QIcon& icon);
    void restoreMaterial();
    void writeSettings();
    void showRow(bool shown, QWidget* play, QWidget* plot, QWidget* label, QWidget* icon,
                 QWidget* time);
    QPoint initialPosition() const;

    DialogForm ui;
    QSettings* settings = nullptr;
    QSkinObject* skin = nullptr;
    QSkinObject* libSkin = nullptr;
    Echora* echora = nullptr;
    QSystemTrayIcon* trayIcon = nullptr;
    QMenu* trayIconMenu = nullptr;
    QAction* restoreLrcAction = nullptr;  // in the context menu when editing is allowed
    bool fullPlaying = false;
    bool startupFinished = false;
    QMovie* loadingMovie = nullptr;
};
