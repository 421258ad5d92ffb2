#include "Dialog.h"

#include "Echora.h"
#include "IVideo.h"
#include "OctImgBtn.h"
#include "PanelView.h"
#include "PhaseTabs.h"
#include "Picture.h"
#include "PlotView.h"
#include "QSkinObject.h"
#include "TabsCtrl.h"
#include "TabsView.h"
#include "TreesView.h"
#include "VoicerImg.h"
#include "VolSlider.h"
#include "wikiSlider.h"

#include <QAction>
#include <QCommandLineParser>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMovie>
#include <QScreen>
#include <QSettings>

namespace {
constexpr int kPanelHeight = 90;
const QString kSkinFile = QStringLiteral("./skin/main.ini");

// A settings value converted to int; false when missing or not a number.
bool readInt(const QSettings& s, const QString& key, int* out)
{
    const QVariant v = s.value(key);
    if (!v.isValid())
        return false;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    if (ok)
        *out = n;
    return ok;
}

bool readBool(const QSettings& s, const QString& key, bool fallback)
{
    const QString v = s.value(key).toString().trimmed().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("1"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("0"))
        return false;
    return fallback;
}

QRect desktopGeometry()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
}
}  // namespace

Dialog::Dialog(QWidget* parent) : QWidget(parent)
{
    // The form and its connections.
    ui.setupForm(this);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("声林口语训练软件"));
    connectForm();

    // Settings. Saving goes through a temporary file renamed over profile.ini, so a crash
    // while writing never leaves it truncated.
    settings = new QSettings(QStringLiteral("profile.ini"), QSettings::IniFormat, this);
    settings->setAtomicSyncRequired(true);

    // The skinned frame.
    skin = new QSkinObject(this, QSkinObject::MinMaxClose, this);
    skin->setSkinFile(kSkinFile);
    skin->startSkinning();
    // The frame's borders take the place of the form's outer margins, so the content keeps
    // its width inside the window's fixed size.
    const QMargins frame = contentsMargins();
    const QMargins outer = layout()->contentsMargins();
    layout()->setContentsMargins(
        qMax(0, outer.left() - frame.left()), qMax(0, outer.top() - frame.top()),
        qMax(0, outer.right() - frame.right()), qMax(0, outer.bottom() - frame.bottom()));

    // Where the window opens.
    move(initialPosition());

    // The controller, and the full-playing position bar seeking through it.
    echora = new Echora(this, ui.txtLrc, ui.recPlot, ui.pcePlot, ui.oriPlot, ui.glVideo, this);
    echora->keepSpeedsIn(settings);
    connect(ui.glVideo, &IVideo::displayOn, this, &Dialog::doVideoOn);
    ui.wikiSlid->setHandlerObject(echora);
    ui.wikiSlid->setPositionHandler(static_cast<vPlotWidget::PositionHandler>(&Echora::seekOri));

    // Pictures, texts, volume icons and the saved volumes.
    loadButtonImages();
    readVolumes();

    // Phase tabs: adding the first one puts the controller into phase 0.
    setupPhaseTabs();

    // Control panel below, library window to the right (they open in finishStartup).
    placeToolWindows();

    // Tray menu (the tray icon follows in finishStartup).
    createTrayMenu();

    // Library level, last material, editor buttons.
    int level = 0;
    if (readInt(*settings, QStringLiteral("MaterialDiff"), &level))
        ui.tabWidget->setCurrentIndex(level);
    restoreMaterial();
    const bool editor = readBool(*settings, QStringLiteral("Editor"), false);
    ui.adjLrc->setVisible(editor);
    ui.lrcSplit->setVisible(editor);
    if (editor) {
        // Going back to the original times belongs with the editing buttons.
        QAction* first = trayIconMenu->actions().value(0);
        trayIconMenu->insertAction(first, restoreLrcAction);
        trayIconMenu->insertSeparator(first);
    }

    // Loading animation over the library (it starts in finishStartup).
    ui.maskLabel->hide();
}

Dialog::~Dialog()
{
    writeSettings();
    delete echora;
    echora = nullptr;
    // The video surface belongs to no window until a picture was shown; the controller that
    // drove it is gone now.
    if (!ui.videoPlaced())
        delete ui.glVideo;
    delete libSkin;
    delete skin;
    settings->sync();
}

QPoint Dialog::initialPosition() const
{
    const QRect desk = desktopGeometry();
    QPoint p((desk.width() - width()) / 2, (desk.height() - height() - kPanelHeight) / 2);
    int x = 0;
    int y = 0;
    const bool haveX = readInt(*settings, QStringLiteral("pos-x"), &x);
    const bool haveY = readInt(*settings, QStringLiteral("pos-y"), &y);
    // A saved position that would put the window out of sight (another screen layout, a
    // damaged file) falls back to the centred default.
    const QRect saved(haveX ? x : p.x(), haveY ? y : p.y(), width(), height());
    if (desk.intersects(saved))
        p = saved.topLeft();
    return p;
}

void Dialog::readVolumes()
{
    int v = 0;
    if (readInt(*settings, QStringLiteral("vol-rec"), &v))
        ui.recVol->setValue(v);
    if (readInt(*settings, QStringLiteral("apl-rec"), &v))
        ui.recCtrlVol->setValue(v);
    if (readInt(*settings, QStringLiteral("vol-ori"), &v))
        ui.oriVol->setValue(v);
}

void Dialog::setupPhaseTabs()
{
    PhaseTabs* tabs = ui.phaseTabs;
    tabs->setUsesScrollButtons(false);
    tabs->setTabImages(Picture::pixmap(QStringLiteral(":/images/bg-tab-chrome.png")));
    tabs->setTabImages(2, Picture::pixmap(QStringLiteral(":/images/bg-tab-chrome-right.png")));
    tabs->setOuterMargins(QMargins(-13, 0, -13, 0));
    tabs->setTabMargins(QMargins(0, 0, 0, 0));
    tabs->setFirstTabIndent(QPoint(210, 0));
    tabs->addTab(QStringLiteral("Passage Imitation@全文模仿"));
    tabs->addTab(QStringLiteral("Listen & Repeat@跟读训练"));
    tabs->addTab(QStringLiteral("Retelling Exercise@复述练习"));
}

void Dialog::placeToolWindows()
{
    ui.ctrlpanel->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    // Only the main window keeps the program running: closing it ends the program even when
    // the tool windows have lost their tie to it (placeVideo gives it a new native window).
    ui.ctrlpanel->setAttribute(Qt::WA_QuitOnClose, false);
    ui.tsWidget->setAttribute(Qt::WA_QuitOnClose, false);
    ui.ctrlpanel->move(x(), y() + height());
    ui.ctrlpanel->setFixedSize(width(), kPanelHeight);

    // A tool window before it is skinned, so that the skin keeps it one.
    ui.tsWidget->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    libSkin = new QSkinObject(ui.tsWidget, QSkinObject::CloseHides | QSkinObject::NoTitle, this);
    libSkin->setSkinFile(kSkinFile);
    libSkin->startSkinning();
    ui.tsWidget->setFocusPolicy(Qt::StrongFocus);
    ui.tsWidget->move(x() + width(), y());
    ui.tsWidget->setFixedWidth(294);
    ui.tsWidget->setFixedHeight(height() + kPanelHeight);
    ui.tsWidget->setWindowTitle(QString());
}

void Dialog::finishStartup()
{
    if (startupFinished || isHidden())
        return;
    startupFinished = true;
    const QIcon icon = Picture::icon(QStringLiteral(":/images/Echora.ico"));
    setWindowIcon(icon);
    createTrayIcon(icon);
    ui.tabWidget->loadLists();
    loadingMovie = new QMovie(QStringLiteral(":/images/loadingmask.gif"), QByteArray(), this);
    ui.maskLabel->setMovie(loadingMovie);
    loadingMovie->start();
    ui.ctrlpanel->show();
    ui.tsWidget->show();
}

void Dialog::createTrayMenu()
{
    trayIconMenu = new QMenu(this);
    restoreLrcAction = new QAction(QStringLiteral("恢复原始时间"), this);
    restoreLrcAction->setObjectName(QStringLiteral("restoreLrc"));
    connect(restoreLrcAction, &QAction::triggered, this, &Dialog::doRestoreLrc);
    trayIconMenu->addAction(ui.actionHelp);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(ui.actionQuit);
}

void Dialog::createTrayIcon(const QIcon& icon)
{
    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setContextMenu(trayIconMenu);
    trayIcon->setIcon(icon);
    trayIcon->setToolTip(QStringLiteral("声林口语模仿"));
    connect(trayIcon, &QSystemTrayIcon::activated, this, &Dialog::doTrayIconActivated);
    trayIcon->setVisible(true);
}

void Dialog::restoreMaterial()
{
    if (readBool(*settings, QStringLiteral("FullPlaying"), false)) {
        echora->playFull(tr("help.flv"));
        return;
    }
    echora->switchMaterial(settings->value(QStringLiteral("MaterialName")).toString());
    int n = 0;
    if (readInt(*settings, QStringLiteral("Phase"), &n) && n >= 0 && n < ui.phaseTabs->count())
        ui.phaseTabs->setCurrentIndex(n);
    if (readInt(*settings, QStringLiteral("Page"), &n) && n >= 0 && n < ui.txtLrc->count())
        ui.txtLrc->QTabWidget::setCurrentIndex(n);
}

void Dialog::writeSettings()
{
    settings->setValue(QStringLiteral("pos-x"), pos().x());
    settings->setValue(QStringLiteral("pos-y"), pos().y());
    settings->setValue(QStringLiteral("vol-rec"), ui.recVol->value());
    settings->setValue(QStringLiteral("apl-rec"), ui.recCtrlVol->value());
    settings->setValue(QStringLiteral("vol-ori"), ui.oriVol->value());
    settings->setValue(QStringLiteral("MaterialDiff"), ui.tabWidget->currentIndex());
    settings->setValue(QStringLiteral("FullPlaying"), fullPlaying);
    settings->setValue(QStringLiteral("MaterialName"), echora->materialName());
    settings->setValue(QStringLiteral("Phase"), ui.phaseTabs->currentIndex());
    settings->setValue(QStringLiteral("Page"), ui.txtLrc->currentIndex());
}

QString Dialog::listServerOption(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption listServer(QStringLiteral("list-server"),
                                        QStringLiteral("Base URL of the online list server."),
                                        QStringLiteral("URL"));
    parser.addOption(listServer);
    // Options of the application object itself (-platform, ...) are not ours to refuse.
    parser.parse(arguments);
    return parser.value(listServer);
}

QString Dialog::levelSuffix(float x)
{
    if (x == 0)
        return QStringLiteral("000");
    if (x <= 0.25f)
        return QStringLiteral("025");
    if (x <= 0.5f)
        return QStringLiteral("050");
    if (x <= 0.75f)
        return QStringLiteral("075");
    return QStringLiteral("100");
}

void Dialog::loadButtonImages()
{
    const auto sheet = [](const char* name) {
        return Picture::pixmap(QStringLiteral(":/images/%1").arg(QLatin1String(name)));
    };
    ui.adjLrc->setImages(sheet("btn-PlotCtrlView-check.png"), 4);
    ui.adjLrc->setTexts(QStringLiteral("编辑"), QStringLiteral("编辑"));
    ui.lrcSplit->setImages(sheet("btn-PlotCtrlView-press.png"), 4);
    ui.lrcSplit->setTexts(QStringLiteral("截断"), QString());
    ui.recCtrl->setImages(sheet("btn-recctrl-check.png"), 4);
    ui.btnHelp->setImages(sheet("btn-help-press.png"), 4);
    ui.matShow->setImages(sheet("btn-matshow-press.png"), 4);
    ui.speedBtn->setImages(sheet("btn-PlotCtrlView-press.png"), 4);
    ui.wikiPauser->setImages(sheet("btn-wikipauser-check.png"), 4);
    ui.wikiStopper->setImages(sheet("btn-wikistopper-press.png"), 4);
    for (OctImgBtn* play : {ui.recPlay, ui.pcePlay, ui.oriPlay})
        play->setImages(sheet("btn-wikipauser-check.png"), 4);
    ui.lab_recCVol->setPixmap(sheet("recvol025.png"));
    for (VoicerImg* icon : {ui.wikiVoice, ui.recVolImg, ui.pceVolImg, ui.oriVolImg})
        icon->setPixmap(sheet("volumer075.png"));

    ui.wikiVoice->setPopup(ui.volSlid);
    ui.wikiVoice->addCompanion(ui.wikiTime);
    ui.recVolImg->setPopup(ui.recVol);
    ui.recVolImg->addCompanion(ui.label_rec);
    ui.recVolImg->addCompanion(ui.recTime);
    ui.pceVolImg->setPopup(ui.pceVol);
    ui.pceVolImg->addCompanion(ui.label_pce);
    ui.pceVolImg->addCompanion(ui.pceTime);
    ui.oriVolImg->setPopup(ui.oriVol);
    ui.oriVolImg->addCompanion(ui.label_ori);
    ui.oriVolImg->addCompanion(ui.oriTime);
}
