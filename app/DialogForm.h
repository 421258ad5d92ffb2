#pragma once
// DialogForm: the main window's form: every child widget and action of the three windows
// (main window, control panel, library window), created and laid out by setupForm.
// GUI thread only; the widgets are owned by Qt parent-child ownership.
class QAction;
class QGridLayout;
class QVBoxLayout;
class QLabel;
class QTextEdit;
class QWidget;
class Dialog;
class PanelView;
class PhaseTabs;
class OctImgBtn;
class VolSlider;
class VoicerImg;
class wikiSlider;
class PlotView;
class TabsView;
class TreesView;
class TabsCtrl;
class IVideo;
class KaraView;
class LrcLstView;

struct DialogForm {
    QAction* actionQuit = nullptr;
    QAction* actionHelp = nullptr;
    QAction* actionAbout = nullptr;

    // Control panel window.
    PanelView* ctrlpanel = nullptr;
    PhaseTabs* phaseTabs = nullptr;
    OctImgBtn* adjLrc = nullptr;
    OctImgBtn* lrcSplit = nullptr;
    OctImgBtn* recCtrl = nullptr;
    QLabel* lab_recCVol = nullptr;
    VolSlider* recCtrlVol = nullptr;
    OctImgBtn* btnHelp = nullptr;
    OctImgBtn* matShow = nullptr;
    // The material's speed: its caption shows it ("0.7×"); a click cycles it.
    OctImgBtn* speedBtn = nullptr;

    // Library window.
    QWidget* tsWidget = nullptr;
    TreesView* tabWidget = nullptr;
    TabsCtrl* botCtrl = nullptr;
    QLabel* maskLabel = nullptr;

    // Main window: text tabs and the video page.
    TabsView* txtLrc = nullptr;
    KaraView* karaLrc = nullptr;
    LrcLstView* lstLrc = nullptr;
    QWidget* videoPage = nullptr;
    QVBoxLayout* videoLO = nullptr;
    // Until placeVideo, glVideo has no parent and the black videoHolder stands in its place.
    QWidget* videoHolder = nullptr;
    IVideo* glVideo = nullptr;
    OctImgBtn* wikiPauser = nullptr;
    wikiSlider* wikiSlid = nullptr;
    OctImgBtn* wikiStopper = nullptr;
    VoicerImg* wikiVoice = nullptr;
    VolSlider* volSlid = nullptr;
    QLabel* wikiTime = nullptr;

    // Main window: the three waveform rows.
    QGridLayout* plotsLO = nullptr;
    PlotView* recPlot = nullptr;
    PlotView* pcePlot = nullptr;
    PlotView* oriPlot = nullptr;
    OctImgBtn* recPlay = nullptr;
    OctImgBtn* pcePlay = nullptr;
    OctImgBtn* oriPlay = nullptr;
    VoicerImg* recVolImg = nullptr;
    VoicerImg* pceVolImg = nullptr;
    VoicerImg* oriVolImg = nullptr;
    VolSlider* recVol = nullptr;
    VolSlider* pceVol = nullptr;
    VolSlider* oriVol = nullptr;
    QLabel* recTime = nullptr;
    QLabel* pceTime = nullptr;
    QLabel* oriTime = nullptr;
    QLabel* label_rec = nullptr;
    QLabel* label_pce = nullptr;
    QLabel* label_ori = nullptr;

    // Creates every widget under its object name, lays them out and fixes the window size.
    void setupForm(Dialog* window);
    // Put the video surface into the video page in place of its stand-in (once).
    void placeVideo();
    bool videoPlaced() const { return videoHolder == nullptr; }
};
