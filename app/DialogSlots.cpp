// The main window's slots and the control surface the practice controller drives.
#include "BalTipLable.h"
#include "Dialog.h"
#include "Echora.h"
#include "Exporter.h"
#include "OctImgBtn.h"
#include "PanelView.h"
#include "PhaseTabs.h"
#include "Picture.h"
#include "PlotView.h"
#include "TabsCtrl.h"
#include "TabsView.h"
#include "TreesView.h"
#include "VoicerImg.h"
#include "VolSlider.h"
#include "wikiSlider.h"

#include "LrcLstView.h"
#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMoveEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QWindow>

namespace {
void setCheckedQuietly(QAbstractButton* button, bool checked)
{
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
}

QPixmap levelIcon(const char* base, float x)
{
    return Picture::pixmap(
        QStringLiteral(":/images/%1%2.png").arg(QLatin1String(base), Dialog::levelSuffix(x)));
}
}  // namespace

void Dialog::connectForm()
{
    connect(ui.tabWidget, &TreesView::exportSig, this, &Dialog::doExportSig);
    connect(ui.tabWidget, &TreesView::switchSig, this, &Dialog::doSwitchSig);
    ui.tabWidget->setOpenMaterialQuery(
        [this] { return echora ? echora->materialName() : QString(); });
    connect(ui.phaseTabs, &QTabBar::currentChanged, this, &Dialog::doPhaseCho);
    connect(ui.oriPlay, &QAbstractButton::toggled, this, &Dialog::doPlayOri);
    connect(ui.wikiPauser, &QAbstractButton::toggled, this, &Dialog::doPlayOri);
    connect(ui.pcePlay, &QAbstractButton::toggled, this, &Dialog::doPlayPce);
    connect(ui.recPlay, &QAbstractButton::toggled, this, &Dialog::doPlayRec);
    connect(ui.recCtrl, &QAbstractButton::toggled, this, &Dialog::doRecStart);
    connect(ui.recCtrlVol, &VolSlider::sigPercChanged, this, &Dialog::doRecCtrlVol);
    connect(ui.recVol, &VolSlider::sigPercChanged, this, &Dialog::doVolRec);
    connect(ui.pceVol, &VolSlider::sigPercChanged, this, &Dialog::doVolPce);
    connect(ui.oriVol, &VolSlider::sigPercChanged, this, &Dialog::doVolOri);
    connect(ui.volSlid, &VolSlider::sigPercChanged, this, &Dialog::doVolOri);
    connect(ui.wikiStopper, &QAbstractButton::clicked, this, &Dialog::doWikiStop);
    connect(ui.matShow, &QAbstractButton::clicked, this, &Dialog::doToggleMat);
    connect(ui.adjLrc, &QAbstractButton::toggled, this, &Dialog::doLrcEdit);
    connect(ui.lrcSplit, &QAbstractButton::clicked, this, &Dialog::doSplitLrc);
    connect(ui.speedBtn, &QAbstractButton::clicked, this, &Dialog::doSpeedCycle);
    ui.speedBtn->installEventFilter(this);
    // "[" slower, "]" faster, from any of the program's windows; a text being typed keeps
    // its brackets.
    auto* slower = new QShortcut(QKeySequence(Qt::Key_BracketLeft), this);
    slower->setContext(Qt::ApplicationShortcut);
    connect(slower, &QShortcut::activated, this, &Dialog::doSlower);
    auto* faster = new QShortcut(QKeySequence(Qt::Key_BracketRight), this);
    faster->setContext(Qt::ApplicationShortcut);
    connect(faster, &QShortcut::activated, this, &Dialog::doFaster);
    connect(ui.tabWidget, &TreesView::fetchingSig, this, &Dialog::doTsMask);
    connect(ui.actionQuit, &QAction::triggered, this, &Dialog::on_actionQuit_triggered);
    connect(ui.actionHelp, &QAction::triggered, this, &Dialog::on_actionHelp_triggered);
    connect(ui.btnHelp, &QAbstractButton::clicked, this, &Dialog::on_actionHelp_triggered);
    connect(ui.actionAbout, &QAction::triggered, this, &Dialog::on_actionAbout_triggered);
    connect(ui.botCtrl, &TabsCtrl::sigImport, ui.tabWidget, &TreesView::on_actionImport_triggered);
    connect(ui.botCtrl, &TabsCtrl::sigOnline, ui.tabWidget, &TreesView::on_actionOnline_toggled);
    connect(ui.tabWidget, &TreesView::showNumSig, ui.botCtrl, &TabsCtrl::doShowNum);
}

// --- Slots ---------------------------------------------------------------------------------

// The export dialog for the current material, centred over this window, for one export.
void Dialog::doExportSig(QString)
{
    Exporter dialog(this);
    const QPoint offset((width() - dialog.width()) / 2, (height() - dialog.height()) / 2);
    dialog.move(mapToGlobal(offset));
    echora->exportTo(&dialog);
    update();
}

void Dialog::doSwitchSig(QString path) { echora->switchMaterial(path); }

void Dialog::doPhaseCho(int index)
{
    if (echora)
        echora->choosePhase(index);
}

void Dialog::doPlayOri(bool on) { echora->playOri(on); }
void Dialog::doPlayPce(bool on) { echora->playPce(on); }
void Dialog::doPlayRec(bool on) { echora->playRec(on); }
void Dialog::doRecStart(bool on) { echora->recStart(on); }

void Dialog::doRecCtrlVol(float x)
{
    echora->setRecGain(x);
    ui.lab_recCVol->setPixmap(levelIcon("recvol", x));
}

void Dialog::doVolRec(float x)
{
    echora->setRecVolume(x);
    ui.recVolImg->setPixmap(levelIcon("volumer", x));
}

void Dialog::doVolPce(float x) { doVolOri(x); }

void Dialog::doVolOri(float x)
{
    const int value =
        int(x * float(ui.pceVol->maximum() - ui.pceVol->minimum()) + float(ui.pceVol->minimum()));
    for (VolSlider* slider : {ui.oriVol, ui.pceVol, ui.volSlid}) {
        const QSignalBlocker blocker(slider);
        slider->setValue(value);
    }
    echora->setOriVolume(x);
    const QPixmap icon = levelIcon("volumer", x);
    for (VoicerImg* image : {ui.oriVolImg, ui.pceVolImg, ui.wikiVoice})
        image->setPixmap(icon);
}

void Dialog::doWikiStop()
{
    ui.wikiSlid->setProgress(0);
    echora->seekOri(0);
    echora->playOri(false);
}

void Dialog::doToggleMat() { ui.tsWidget->setVisible(ui.tsWidget->isHidden()); }

void Dialog::doLrcEdit(bool on)
{
    echora->editLrc(on);
    ui.pcePlot->repaint();
    ui.lstLrc->setTextInteractionFlags(on ? Qt::TextInteractionFlags(19) : Qt::NoTextInteraction);
    showEditMessage();
}

void Dialog::doSplitLrc()
{
    echora->splitLrc();
    showEditMessage();
}

void Dialog::doRestoreLrc()
{
    const QString title = QStringLiteral("恢复原始时间");
    if (!echora->hasOriginalLrc()) {
        QMessageBox::information(this, title, QStringLiteral("这份材料的句子时间没有修改过。"));
        return;
    }
    if (QMessageBox::question(
            this, title, QStringLiteral("放弃对句子时间和文字的所有修改，恢复原始的句子文件吗？"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    echora->restoreLrc();
    showEditMessage();
}

void Dialog::showEditMessage()
{
    if (!echora->editMessage().isEmpty())
        QMessageBox::warning(this, QStringLiteral("编辑句子"), echora->editMessage());
}

void Dialog::doVideoOn()
{
    ui.placeVideo();
    // The video surface gave the main window a new native window: the panel and the library
    // window are tied to that one again, so they keep standing with it.
    for (QWidget* tool : {static_cast<QWidget*>(ui.ctrlpanel), ui.tsWidget})
        if (QWindow* handle = tool->windowHandle())
            handle->setTransientParent(windowHandle());
}

void Dialog::doTrayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    if (isHidden()) {
        show();
        ui.ctrlpanel->show();
        ui.tsWidget->show();
        activateWindow();
        setFocus();
    } else {
        hide();
        ui.ctrlpanel->hide();
        ui.tsWidget->hide();
    }
}

void Dialog::doTsMask(bool fetching)
{
    ui.maskLabel->setGeometry(ui.tabWidget->geometry());
    ui.maskLabel->raise();
    ui.maskLabel->setVisible(fetching);
}

void Dialog::on_actionQuit_triggered()
{
    close();
    // Closing a hidden window (after the tray hid it) ends nothing by itself.
    QCoreApplication::quit();
}

void Dialog::on_actionHelp_triggered() { echora->playFull(tr("help.flv")); }

void Dialog::on_actionAbout_triggered() { echora->playFull(tr("about.flv")); }

// --- Events --------------------------------------------------------------------------------

void Dialog::moveEvent(QMoveEvent* event)
{
    const QPoint delta = event->pos() - event->oldPos();
    ui.ctrlpanel->move(ui.ctrlpanel->pos() + delta);
    ui.tsWidget->move(ui.tsWidget->pos() + delta);
    QWidget::moveEvent(event);
}

void Dialog::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!startupFinished)
        QTimer::singleShot(0, this, &Dialog::finishStartup);
}

void Dialog::contextMenuEvent(QContextMenuEvent* event) { trayIconMenu->popup(event->globalPos()); }

// --- Control surface -----------------------------------------------------------------------

void Dialog::enableOriPlay(bool enabled)
{
    ui.oriPlay->setEnabled(enabled);
    ui.wikiPauser->setEnabled(enabled);
}

void Dialog::enablePcePlay(bool enabled) { ui.pcePlay->setEnabled(enabled); }
void Dialog::enableRecPlay(bool enabled) { ui.recPlay->setEnabled(enabled); }

void Dialog::checkOriPlay(bool checked)
{
    setCheckedQuietly(ui.oriPlay, checked);
    setCheckedQuietly(ui.wikiPauser, checked);
}

void Dialog::checkPcePlay(bool checked) { setCheckedQuietly(ui.pcePlay, checked); }
void Dialog::checkRecPlay(bool checked) { setCheckedQuietly(ui.recPlay, checked); }
void Dialog::checkRecCtrl(bool checked) { setCheckedQuietly(ui.recCtrl, checked); }

void Dialog::showRow(bool shown, QWidget* play, QWidget* plot, QWidget* label, QWidget* icon,
                     QWidget* time)
{
    for (QWidget* w : {play, plot, label, icon, time})
        w->setVisible(shown);
}

void Dialog::showOriRow(bool shown)
{
    showRow(shown, ui.oriPlay, ui.oriPlot, ui.label_ori, ui.oriVolImg, ui.oriTime);
}

void Dialog::showPceRow(bool shown)
{
    showRow(shown, ui.pcePlay, ui.pcePlot, ui.label_pce, ui.pceVolImg, ui.pceTime);
}

void Dialog::showRecRow(bool shown)
{
    showRow(shown, ui.recPlay, ui.recPlot, ui.label_rec, ui.recVolImg, ui.recTime);
}

void Dialog::enablePractice(bool enabled)
{
    ui.phaseTabs->setEnabled(enabled);
    ui.recCtrl->setEnabled(enabled);
}

void Dialog::enablePhase(bool enabled, int phase)
{
    const QSignalBlocker blocker(ui.phaseTabs);
    const int current = ui.phaseTabs->currentIndex();
    ui.phaseTabs->setTabEnabled(phase, enabled);
    ui.phaseTabs->setCurrentIndex(current);
}

void Dialog::selectPhase(int phase)
{
    const QSignalBlocker blocker(ui.phaseTabs);
    ui.phaseTabs->setCurrentIndex(phase);
}

void Dialog::setFullPlaying(bool on)
{
    showRecRow(!on);
    showPceRow(!on);
    showOriRow(!on);
    ui.plotsLO->setVerticalSpacing(on ? 0 : 22);
    for (QWidget* w : std::initializer_list<QWidget*>{ui.wikiPauser, ui.wikiStopper, ui.wikiSlid,
                                                      ui.wikiVoice, ui.wikiTime})
        w->setVisible(on);
    for (QWidget* w : std::initializer_list<QWidget*>{ui.recCtrl, ui.lab_recCVol, ui.recCtrlVol})
        w->setVisible(!on);
    ui.tsWidget->setFixedHeight(height() + (on ? 66 : 90));
    ui.ctrlpanel->setCornerFilled(!on);
    ui.txtLrc->setTabToolTip(1, on ? QStringLiteral("帮助文本") : QStringLiteral("材料全文"));
    ui.txtLrc->setTabToolTip(2, on ? QStringLiteral("帮助视频") : QStringLiteral("视频材料"));
    ui.txtLrc->setTabEnabled(2, on);
    ui.txtLrc->setTabEnabled(1, !on);
    if (echora)
        echora->setOriView(on ? static_cast<vPlotWidget*>(ui.wikiSlid)
                              : static_cast<vPlotWidget*>(ui.oriPlot));
    fullPlaying = on;
}

void Dialog::setTabsOffset(int x, int y)
{
    if (auto* bar = qobject_cast<ChromeTabs*>(ui.txtLrc->tabBar()))
        bar->setTabOffset(QPoint(x, y));
}

void Dialog::setRecTime(const QString& text) { ui.recTime->setText(text); }
void Dialog::setPceTime(const QString& text) { ui.pceTime->setText(text); }

void Dialog::setOriTime(const QString& text)
{
    ui.oriTime->setText(text);
    ui.wikiTime->setText(text);
}

void Dialog::doSpeedCycle() { echora->cycleSpeed(); }
void Dialog::doSlower() { echora->stepSpeed(-1); }
void Dialog::doFaster() { echora->stepSpeed(1); }

void Dialog::showSpeed(int tenths)
{
    const QString factor = QString::number(playspeed::factor(tenths), 'f', 1);
    ui.speedBtn->setTexts(factor + QStringLiteral("×"), QString());
    ui.speedBtn->update();
    if (ui.speedBtn->underMouse())
        showSpeedTip();
}

void Dialog::showSpeedTip()
{
    const QString tip =
        QStringLiteral("语速 %1×").arg(QString::number(playspeed::factor(echora->speed()), 'f', 1));
    const QRect r = ui.speedBtn->geometry();
    BalTipLable::showTip(QPoint(r.center().x(), r.top()), tip, ui.ctrlpanel);
}

bool Dialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.speedBtn) {
        if (event->type() == QEvent::Enter)
            showSpeedTip();
        else if (event->type() == QEvent::Leave)
            BalTipLable::hideTip();
    }
    return QWidget::eventFilter(watched, event);
}
