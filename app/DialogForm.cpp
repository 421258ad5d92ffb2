#include "DialogForm.h"

#include "Dialog.h"
#include "IVideo.h"
#include "KaraView.h"
#include "LrcLstView.h"
#include "OctImgBtn.h"
#include "PanelView.h"
#include "PhaseTabs.h"
#include "PlotView.h"
#include "TabsCtrl.h"
#include "TabsView.h"
#include "TreesView.h"
#include "VoicerImg.h"
#include "VolSlider.h"
#include "wikiSlider.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
constexpr int kWindowWidth = 666;
constexpr int kWindowHeight = 480;
constexpr int kPanelHeight = 90;

template <class W> W* make(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel* makeTimeLabel(QWidget* parent, const char* name)
{
    auto* label = make<QLabel>(parent, name);
    label->setText(QStringLiteral("00:00:00\n00:00:00"));
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSize(7);
    label->setFont(font);
    label->setFixedWidth(56);
    return label;
}

VolSlider* makeVolume(QWidget* parent, const char* name)
{
    auto* slider = make<VolSlider>(parent, name);
    slider->setRange(0, 100);
    slider->setValue(75);
    return slider;
}
}  // namespace

void DialogForm::setupForm(Dialog* window)
{
    window->setObjectName(QStringLiteral("Dialog"));
    window->setFixedSize(kWindowWidth, kWindowHeight);

    actionQuit = new QAction(QStringLiteral("退出"), window);
    actionQuit->setObjectName(QStringLiteral("actionQuit"));
    actionHelp = new QAction(QStringLiteral("帮助视频"), window);
    actionHelp->setObjectName(QStringLiteral("actionHelp"));
    actionHelp->setToolTip(QStringLiteral("Help"));
    actionAbout = new QAction(QStringLiteral("关于..."), window);
    actionAbout->setObjectName(QStringLiteral("actionAbout"));
    actionAbout->setToolTip(QStringLiteral("About"));

    // --- Text tabs: karaoke line, sentence list, video page.
    txtLrc = make<TabsView>(window, "txtLrc");
    karaLrc = make<KaraView>(nullptr, "karaLrc");
    karaLrc->setToolTip(QStringLiteral("当前句子"));
    lstLrc = make<LrcLstView>(nullptr, "lstLrc");
    lstLrc->setToolTip(QStringLiteral("帮助文本"));
    lstLrc->setFont(QFont(QStringLiteral("Arial"), 12, QFont::Bold));
    lstLrc->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstLrc->setUndoRedoEnabled(false);
    lstLrc->setReadOnly(true);
    lstLrc->setTextInteractionFlags(Qt::NoTextInteraction);
    QPalette listPalette;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        listPalette.setColor(group, QPalette::Base, Qt::black);
        listPalette.setColor(group, QPalette::Window, Qt::black);
        listPalette.setColor(group, QPalette::Text, QColor(225, 225, 225));
        listPalette.setColor(group, QPalette::Highlight, QColor(0, 110, 0));
        listPalette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    lstLrc->setPalette(listPalette);

    videoPage = make<QWidget>(nullptr, "videoPage");
    // The OpenGL surface joins the window only when a picture is first shown (placeVideo):
    // a window holding one is composed through OpenGL from its first paint, which costs start-up
    // time and memory that a learner practising with sound alone never needs.
    glVideo = make<IVideo>(nullptr, "glVideo");
    glVideo->setToolTip(QStringLiteral("帮助视频"));
    videoHolder = make<QWidget>(videoPage, "videoHolder");
    QPalette black = videoHolder->palette();
    black.setColor(QPalette::Window, Qt::black);
    videoHolder->setPalette(black);
    videoHolder->setAutoFillBackground(true);
    wikiPauser = make<OctImgBtn>(videoPage, "wikiPauser");
    wikiPauser->setCheckable(true);
    wikiSlid = make<wikiSlider>(videoPage, "wikiSlid");
    wikiStopper = make<OctImgBtn>(videoPage, "wikiStopper");
    wikiVoice = make<VoicerImg>(videoPage, "wikiVoice");
    volSlid = makeVolume(videoPage, "volSlid");
    wikiTime = makeTimeLabel(videoPage, "wikiTime");
    QPalette onBlack = wikiTime->palette();
    onBlack.setColor(QPalette::WindowText, QColor(225, 225, 225));
    wikiTime->setPalette(onBlack);
    videoLO = new QVBoxLayout(videoPage);
    videoLO->setContentsMargins(0, 0, 0, 0);
    videoLO->setSpacing(2);
    videoLO->addWidget(videoHolder, 1);
    auto* wikiLO = new QHBoxLayout;
    wikiLO->setContentsMargins(6, 0, 6, 2);
    wikiLO->addWidget(wikiPauser);
    wikiLO->addWidget(wikiStopper);
    wikiLO->addWidget(wikiSlid, 1);
    wikiLO->addWidget(wikiVoice);
    wikiLO->addWidget(volSlid);
    wikiLO->addWidget(wikiTime);
    videoLO->addLayout(wikiLO);

    txtLrc->addTab(karaLrc, QString());
    txtLrc->addTab(lstLrc, QString());
    txtLrc->addTab(videoPage, QString());
    txtLrc->setTabToolTip(0, karaLrc->toolTip());
    txtLrc->setTabToolTip(1, lstLrc->toolTip());
    txtLrc->setTabToolTip(2, glVideo->toolTip());
    txtLrc->QTabWidget::setCurrentIndex(1);

    // --- The three waveform rows.
    plotsLO = new QGridLayout;
    plotsLO->setObjectName(QStringLiteral("plotsLO"));
    plotsLO->setHorizontalSpacing(4);
    plotsLO->setVerticalSpacing(22);
    struct Row {
        OctImgBtn** play;
        PlotView** plot;
        QLabel** caption;
        VoicerImg** icon;
        VolSlider** slider;
        QLabel** time;
        const char* names[6];
        const char* text;
    };
    const Row rows[] = {
        {&recPlay,
         &recPlot,
         &label_rec,
         &recVolImg,
         &recVol,
         &recTime,
         {"recPlay", "recPlot", "label_rec", "recVolImg", "recVol", "recTime"},
         "当前录音"},
        {&pcePlay,
         &pcePlot,
         &label_pce,
         &pceVolImg,
         &pceVol,
         &pceTime,
         {"pcePlay", "pcePlot", "label_pce", "pceVolImg", "pceVol", "pceTime"},
         "所选单句"},
        {&oriPlay,
         &oriPlot,
         &label_ori,
         &oriVolImg,
         &oriVol,
         &oriTime,
         {"oriPlay", "oriPlot", "label_ori", "oriVolImg", "oriVol", "oriTime"},
         "材料全文"},
    };
    int r = 0;
    for (const Row& row : rows) {
        *row.play = make<OctImgBtn>(window, row.names[0]);
        (*row.play)->setCheckable(true);
        *row.plot = make<PlotView>(window, row.names[1]);
        *row.caption = make<QLabel>(window, row.names[2]);
        (*row.caption)->setText(QString::fromUtf8(row.text));
        *row.icon = make<VoicerImg>(window, row.names[3]);
        *row.slider = makeVolume(window, row.names[4]);
        (*row.slider)->setFixedWidth(110);
        *row.time = makeTimeLabel(window, row.names[5]);
        plotsLO->addWidget(*row.play, r, 0);
        plotsLO->addWidget(*row.plot, r, 1);
        plotsLO->addWidget(*row.caption, r, 2);
        plotsLO->addWidget(*row.slider, r, 2, 1, 3);
        plotsLO->addWidget(*row.icon, r, 3);
        plotsLO->addWidget(*row.time, r, 4);
        ++r;
    }
    oriPlot->setCursor(Qt::PointingHandCursor);
    pcePlot->setCursor(Qt::IBeamCursor);

    auto* mainLO = new QVBoxLayout(window);
    mainLO->setContentsMargins(8, 8, 8, 12);
    mainLO->setSpacing(10);
    mainLO->addWidget(txtLrc, 1);
    mainLO->addLayout(plotsLO);

    // --- Control panel window below the main window.
    ctrlpanel = make<PanelView>(window, "ctrlpanel");
    phaseTabs = make<PhaseTabs>(ctrlpanel, "phaseTabs");
    adjLrc = make<OctImgBtn>(ctrlpanel, "adjLrc");
    adjLrc->setCheckable(true);
    lrcSplit = make<OctImgBtn>(ctrlpanel, "lrcSplit");
    recCtrl = make<OctImgBtn>(ctrlpanel, "recCtrl");
    recCtrl->setCheckable(true);
    lab_recCVol = make<QLabel>(ctrlpanel, "lab_recCVol");
    recCtrlVol = make<VolSlider>(ctrlpanel, "recCtrlVol");
    recCtrlVol->setRange(0, 100);
    recCtrlVol->setValue(20);  // 0.2 x 327670: the recorder's initial gain
    btnHelp = make<OctImgBtn>(ctrlpanel, "btnHelp");
    btnHelp->setToolTip(QStringLiteral("帮助视频"));
    matShow = make<OctImgBtn>(ctrlpanel, "matShow");
    matShow->setToolTip(QStringLiteral("练习材料"));
    speedBtn = make<OctImgBtn>(ctrlpanel, "speedBtn");
    // The phase tabs run from the panel's left edge: their first-tab indent leaves the left
    // part to the recording controls, laid over the bar in two rows, and their last-tab
    // reserve runs past the right edge.
    phaseTabs->setGeometry(-24, 21, 890, 48);
    phaseTabs->lower();
    recCtrl->move(12, 21);
    adjLrc->move(106, 24);
    lrcSplit->move(146, 24);
    lab_recCVol->setGeometry(14, 57, 20, 13);
    recCtrlVol->setGeometry(38, 53, 52, 20);
    btnHelp->move(136, 55);
    matShow->move(162, 55);
    speedBtn->move(96, 54);
    // --- Library window to the right of the main window.
    tsWidget = make<QWidget>(window, "tsWidget");
    // The library window opens after the main window has first been drawn; its lists are read
    // then (Dialog::finishStartup).
    tabWidget = new TreesView(tsWidget, TreesView::Lists::Later);
    tabWidget->setObjectName(QStringLiteral("tabWidget"));
    botCtrl = make<TabsCtrl>(tsWidget, "botCtrl");
    maskLabel = make<QLabel>(tsWidget, "maskLabel");
    maskLabel->setAlignment(Qt::AlignCenter);
    auto* libLO = new QVBoxLayout(tsWidget);
    libLO->setContentsMargins(0, 0, 0, 0);
    libLO->addWidget(tabWidget, 1);
    libLO->addWidget(botCtrl);
}

void DialogForm::placeVideo()
{
    if (!videoHolder)
        return;
    delete videoLO->replaceWidget(videoHolder, glVideo);
    delete videoHolder;
    videoHolder = nullptr;
    glVideo->show();
}
