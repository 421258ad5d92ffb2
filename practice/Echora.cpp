#include "Echora.h"

#include "MediaEngine.h"
#include "PaRecThread.h"
#include "PitchScorer.h"
#include "Ploter.h"
#include "SentenceFile.h"
#include "TimeText.h"
#include "vCtrlWidget.h"
#include "vPlotWidget.h"
#include "vTabsWidget.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {
const QString kWorkspacePrefix = QStringLiteral("./workspace/");
const QString kNoMaterial = QStringLiteral("请选择练习材料");
const QString kNoRecording = QStringLiteral("你还没有录音");
// How long whole-material play waits for a chosen sentence's seek to show in the position:
// a second of progress ticks.
constexpr int kSeekSettleTicks = 20;

QString zeroAbove(double total) { return timetext::rows(0, total); }
}  // namespace

Echora::Echora(vCtrlWidget* ctrlWidget, vTabsWidget* tabsWidget, vPlotWidget* rec, vPlotWidget* pce,
               vPlotWidget* ori, VideoDev* videoDev, QObject* parent)
    : QObject(parent), ctrl(ctrlWidget), tabs(tabsWidget), recView(rec), pceView(pce), oriView(ori),
      video(videoDev)
{
    engine = new MediaEngine(this);
    ploter = new Ploter(this);
    scorer = new PitchScorer(this);
    recorder = new PaRecThread(this);
    recFile = nullptr;
    progressTimer = new QTimer(this);
    recTimer = new QTimer(this);
    recTicks = 0;
    progressTimer->setInterval(50);
    recTimer->setInterval(100);

    connect(engine, &MediaEngine::sigPlayStopped, this, &Echora::doPlayStopped);
    connect(ploter, &Ploter::sigPlotDone, this, &Echora::doPlotDone);
    connect(scorer, &PitchScorer::sigScoreDone, this, &Echora::doScoreDone);
    connect(recorder, &QThread::finished, this, &Echora::doRecDone);
    connect(progressTimer, &QTimer::timeout, this, &Echora::doUpdateProg);
    connect(recTimer, &QTimer::timeout, this, &Echora::doRecProg);

    for (vPlotWidget* view : {oriView, pceView, recView}) {
        if (!view)
            continue;
        view->setTintColor(QColor(27, 177, 255, 82));
        view->setHandlerObject(this);
        if (view == recView)
            view->setPositionHandler(static_cast<vPlotWidget::PositionHandler>(&Echora::seekRec));
        view->setCaption(kNoMaterial);
    }
    // No material yet: nothing that needs one can be used.
    ctrl->enablePractice(false);
    ctrl->enableOriPlay(false);
    ctrl->enablePcePlay(false);
    ctrl->enableRecPlay(false);
}

Echora::~Echora()
{
    delete progressTimer;
    progressTimer = nullptr;
    recorder->requestStop();
    recorder->wait();
    finishRecording();  // a recording still open when the program ends is kept, if it succeeded
    delete recorder;
    recorder = nullptr;
    delete scorer;
    scorer = nullptr;
    delete ploter;
    ploter = nullptr;
    delete engine;  // reports every open channel stopped; doPlayStopped frees its device
    engine = nullptr;
}

bool Echora::isVideoName(const QString& path) const
{
    return path == QLatin1String("help.flv") || path == QLatin1String("about.flv");
}

float Echora::sentenceEnd(unsigned i) const
{
    return i + 1 < sentenceCount ? sentenceTimes[i + 1] : -1.0f;
}

void Echora::switchMaterial(const QString& path)
{
    if (path == materialPath)
        return;
    materialPath = path;
    speedTenths = speedStore.speedOf(path);
    ctrl->showSpeed(speedTenths);
    const bool file = isFile(path);
    if (file && !isVideoName(path)) {
        ctrl->setFullPlaying(false);
        // The practice folder with its three recording folders; parents are made too, so a
        // missing "files" folder or a material in a sub-folder still gets somewhere to record.
        const QString name = path.mid(kWorkspacePrefix.size());
        workFolder = QStringLiteral("files/%1").arg(name);
        for (const char* sub : {"imitatepieces", "shadowpieces", "retellpieces"})
            QDir().mkpath(workFolder + QLatin1Char('/') + QLatin1String(sub));
        pcePlotId.path = path;
        const PlotIdentifier whole{path, -1, -1};
        oriView->setPixmap(nullptr);
        oriView->setFetching(true);
        ploter->keepPeaksIn(path, workFolder + QLatin1String("/waveform.peaks"));
        ploter->doPlot(whole);
        const float d = ploter->duration(whole);
        if (d > 0)
            ctrl->setOriTime(zeroAbove(d));
    } else {
        // No practice folder for this path: recordings must never land in the folder of
        // the material that was open before.
        workFolder.clear();
        pcePlotId.path = path;
    }
    ctrl->enablePractice(file);
    ctrl->enableOriPlay(file);
    ctrl->enablePhase(false, 1);
    ctrl->checkOriPlay(false);
    loadLrc(sentenceFileOf(path));
    ctrl->checkPcePlay(false);
    currentSentence = unsigned(-1);
    if (sentenceCount != 0) {
        selectSentence(0);
        ctrl->enablePhase(true, 1);
    }
    choosePhase(phase);
    if (playFlags & OriPlaying)
        playOri(true);
    if (playFlags & PcePlaying)
        playPce(true);
    playRec(false);
}

void Echora::loadLrc(const QString& lrcPath)
{
    SentenceTimeline timeline = readSentenceFile(lrcPath);
    sentenceTimes = std::move(timeline.times);
    sentenceTexts = std::move(timeline.texts);
    sentenceCount = unsigned(sentenceTimes.size());
    sentenceFileUnreadable = timeline.unreadable;
    if (phase == ListenAndRepeat)
        oriView->setSentenceTimes(&sentenceTimes);
    tabs->setSentences(sentenceTexts);
}

void Echora::selectSentence(int index)
{
    const unsigned i = unsigned(index);
    if (i >= sentenceCount)
        return;
    currentSentence = i;
    oriView->setCurrentSentence(index);
    updateSentenceLoop();
    engine->doSeekTime(oriChannel, sentenceTimes[i]);
    if (playFlags & OriPlaying)
        seekSettleTicks = kSeekSettleTicks;
    preparePiece();
    tabs->showSentence(i, unsigned(-1), unsigned(-1));
    const bool exists = isFile(recordPath);
    ctrl->enableRecPlay(exists);
    if (!exists)
        ctrl->setRecTime(timetext::zeroRows());
    stopRecordingPlayback();
    if (playFlags & Capturing) {
        recStart(false);
        ctrl->checkRecCtrl(false);
    }
}

bool Echora::isFile(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

void Echora::stopRecordingPlayback()
{
    if (!(playFlags & RecPlaying))
        return;
    engine->doPause(recChannel, true);
    ctrl->checkRecPlay(false);
    playFlags &= ~RecPlaying;
}

void Echora::preparePiece()
{
    if (workFolder.isEmpty() || phase == NoPhase) {
        recordPath.clear();
    } else if (phase == ListenAndRepeat) {
        if (!haveSentence()) {
            // Listen & Repeat needs a sentence; without one there is no recording to name.
            recordPath.clear();
        } else {
            const unsigned i = currentSentence;
            const float start = sentenceStart(i);
            const float end = sentenceEnd(i);
            pcePlotId.start = start;
            pcePlotId.end = end;
            pceView->setPixmap(nullptr);
            pceView->setFetching(true);
            if (editMode)
                pceView->setRangeMode(true);  // the marks belong to the new picture
            ploter->doPlot(pcePlotId);
            if (end - start > 0)
                ctrl->setPceTime(zeroAbove(double(end) - double(start)));
            recordPath = QStringLiteral("%1/%2").arg(
                workFolder,
                QStringLiteral("shadowpieces/recordpiece%1.mp3").arg(i, 3, 10, QLatin1Char('0')));
        }
    } else if (phase == PassageImitation) {
        recordPath = QStringLiteral("%1/imitatepieces/the-only-one.mp3").arg(workFolder);
    } else {
        recordPath = QStringLiteral("%1/retellpieces/the-only-one.mp3").arg(workFolder);
    }

    recPlotId = PlotIdentifier{recordPath, -1, -1};
    recView->setPixmap(nullptr);
    if (isFile(recordPath)) {
        recView->setRecording(false);
        recView->setFetching(true);
        ploter->doPlot(recPlotId);
        const float d = ploter->duration(recPlotId);
        if (d > 0)
            ctrl->setRecTime(zeroAbove(d));
    } else {
        recView->setFetching(false);
        recView->setCaption(materialPath.isEmpty() || workFolder.isEmpty() ? kNoMaterial
                                                                           : kNoRecording);
    }
    showScore();
}
