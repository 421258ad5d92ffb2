// The practice phases, the transport (material, sentence, recording, microphone), the
// progress tick and the reactions to the engine, the waveform workers and the recorder.
#include "Echora.h"
#include "IAudio.h"
#include "MediaEngine.h"
#include "PaRecThread.h"
#include "PitchScorer.h"
#include "Ploter.h"
#include "SentenceScores.h"
#include "TimeText.h"
#include "vCtrlWidget.h"
#include "vPlotWidget.h"
#include "vTabsWidget.h"

#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTimer>

namespace {
const QString kFullPlayingCaption = QStringLiteral("请从右边列表选择练习材料");
const QString kCannotCreate = QStringLiteral("无法创建录音文件");
const QString kCannotSave = QStringLiteral("无法保存录音文件");
const QString kNoVoice = QStringLiteral("没有录到声音");
// Suffix of the file a recording is written into beside its take.
const QString kPartSuffix = QStringLiteral(".part");

template <class F> vPlotWidget::PositionHandler positionHandler(F f)
{
    return static_cast<vPlotWidget::PositionHandler>(f);
}
}  // namespace

MediaIdentifier Echora::openChannel(const QString& path, float volume)
{
    auto* audio = new IAudio;
    audio->setDevice(QMediaDevices::defaultAudioOutput());
    MediaIdentifier id;
    id.path = path;
    id.audio = audio;
    id.video = video;
    engine->doOpen(id);
    engine->doSetVolume(id, volume);
    // The speed is the material's: the learner's recording always plays at its own pace.
    if (path == materialPath)
        engine->doSetSpeed(id, playspeed::factor(speedTenths));
    engine->doStart(id, true);
    return id;
}

void Echora::choosePhase(int p)
{
    if (p < PassageImitation || p > Retelling)
        return;
    if (p == ListenAndRepeat && sentenceCount == 0) {
        // Listen & Repeat needs sentences: without any, the passage is imitated instead.
        p = 0;
        ctrl->selectPhase(0);
    }
    phase = PracticePhase(p);
    playOri(false);
    playRec(false);
    playFlags = 0;
    if (phase == ListenAndRepeat) {
        oriView->setSentenceTimes(&sentenceTimes);
        oriView->setSentenceHandler(
            static_cast<vPlotWidget::SentenceHandler>(&Echora::selectSentence));
        pceView->setPositionHandler(positionHandler(&Echora::seekPce));
        ctrl->enablePcePlay(sentenceCount != 0);
        ctrl->setTabsOffset(0, 0);
        tabs->setCurrentIndex(0);
        tabs->setTabEnabled(0, true);
        selectSentence(int(currentSentence));
    } else {
        oriView->setSentenceTimes(nullptr);
        pceView->setPixmap(nullptr);
        if (sentenceFileUnreadable)
            pceView->setCaption(QStringLiteral("无法读取句子文件"));
        else if (isFile(materialPath))
            pceView->setCaption(phase == PassageImitation
                                    ? QStringLiteral("全文模仿时，不显示单句波形")
                                    : QStringLiteral("复述练习时，不显示单句波形"));
        oriView->setSentenceHandler(nullptr);
        pceView->setPositionHandler(nullptr);
        ctrl->enablePcePlay(false);
        ctrl->setPceTime(timetext::zeroRows());
        ctrl->setTabsOffset(-17, 0);
        tabs->setCurrentIndex(1);
        tabs->setTabEnabled(0, false);
    }
    preparePiece();
    ctrl->enableRecPlay(isFile(recordPath));
    oriView->setProgress(0);
    pceView->setProgress(0);
    recView->setProgress(0);
}

void Echora::playOri(bool on)
{
    if (playFlags & PcePlaying) {
        engine->doSetInOut(oriChannel, -1, -1);
        ctrl->checkPcePlay(false);
        playFlags &= ~PcePlaying;
        updateSentenceLoop();
    }
    stopRecordingPlayback();
    if (playFlags & Capturing) {
        recStart(false);
        ctrl->checkRecCtrl(false);
    }
    if (oriChannel.path != materialPath)
        engine->doStart(oriChannel, false);
    if (on)
        engine->doSetVolume(oriChannel, oriVolume);
    const bool found = engine->doPause(oriChannel, !on);
    if (found && oriChannel.path == materialPath && on) {
        playFlags |= OriPlaying;
    } else if (on) {
        oriChannel = openChannel(materialPath, oriVolume);
        playFlags |= OriPlaying;
    } else {
        playFlags &= ~OriPlaying;
        if (!(playFlags & (PcePlaying | RecPlaying))) {
            progressTimer->stop();
            ctrl->checkOriPlay(false);
            return;
        }
    }
    progressTimer->start();
    ctrl->checkOriPlay(on);
}

void Echora::playPce(bool on)
{
    if (!haveSentence())
        return;
    if (playFlags & Capturing) {
        recStart(false);
        ctrl->checkRecCtrl(false);
    }
    float start = 0;
    float end = 0;
    pceBounds(&start, &end);
    engine->doSetInOut(oriChannel, start, end);
    if (playFlags & OriPlaying) {
        ctrl->checkOriPlay(false);
        playFlags &= ~OriPlaying;
    }
    stopRecordingPlayback();
    if (oriChannel.path != materialPath)
        engine->doStart(oriChannel, false);
    if (on) {
        engine->doSetVolume(oriChannel, oriVolume);
        if (!engine->doPause(oriChannel, false) || oriChannel.path != materialPath)
            oriChannel = openChannel(materialPath, oriVolume);
        engine->doSetInOut(oriChannel, start, end);
        playFlags |= PcePlaying;
        updateSentenceLoop();
        const double pos = engine->currentTime(oriChannel);
        if (pos < start || (end >= 0 && pos >= end))
            engine->doSeekTime(oriChannel, start);
    } else {
        engine->doPause(oriChannel, true);
        playFlags &= ~PcePlaying;
        updateSentenceLoop();
    }
    if (playFlags & (OriPlaying | PcePlaying | RecPlaying))
        progressTimer->start();
    else
        progressTimer->stop();
    ctrl->checkPcePlay(on);
}

void Echora::playRec(bool on)
{
    if (on && (playFlags & (OriPlaying | PcePlaying))) {
        engine->doPause(oriChannel, true);
        ctrl->checkOriPlay(false);
        ctrl->checkPcePlay(false);
        playFlags &= ~(OriPlaying | PcePlaying);
        updateSentenceLoop();
    }
    const auto startPlaying = [this] {
        playFlags |= RecPlaying;
        progressTimer->start();
        ctrl->checkRecPlay(true);
    };
    if (recChannel.path == recordPath) {
        if (on)
            engine->doSetVolume(recChannel, recVolume);
        const bool found = engine->doPause(recChannel, !on);
        if (on) {
            if (!found && isFile(recordPath))
                recChannel = openChannel(recordPath, recVolume);
            startPlaying();
            return;
        }
    } else if (isFile(recordPath)) {
        engine->doStart(recChannel, false);
        if (on) {
            recChannel = openChannel(recordPath, recVolume);
            startPlaying();
            return;
        }
    } else {
        // The channel belongs to a recording path that is no longer current: close it rather
        // than leave its threads paused for good.
        engine->doStart(recChannel, false);
        if (on) {
            startPlaying();
            return;
        }
    }
    playFlags &= ~RecPlaying;
    if (playFlags & (OriPlaying | PcePlaying))
        progressTimer->start();
    else
        progressTimer->stop();
    ctrl->checkRecPlay(false);
}

void Echora::recStart(bool on)
{
    if (!on) {
        recView->setRecording(false);
        recorder->requestStop();
        recTimer->stop();
        return;
    }
    if ((playFlags & Capturing) || recorder->isRunning() || recFile) {
        // The previous recording is still being finished, or its end not yet handled, and its
        // file is still open: refuse rather than close a file under the recorder's feet.
        ctrl->checkRecCtrl(false);
        return;
    }
    if (phase == Retelling)
        tabs->setSentences(QStringList());
    if (playFlags & RecPlaying) {
        playRec(false);
        playFlags &= ~RecPlaying;
    }
    engine->doStart(recChannel, false);
    if (playFlags & (OriPlaying | PcePlaying)) {
        playOri(false);
        playFlags &= ~(OriPlaying | PcePlaying);
    }
    playFlags |= Capturing;
    ctrl->checkRecPlay(false);
    ctrl->checkPcePlay(false);
    ctrl->checkOriPlay(false);
    ctrl->enableRecPlay(false);
    // The new recording goes into a file beside the take; the take is replaced only when the
    // recording succeeded, so a failed one leaves the previous take playable.
    recTake = recordPath;
    recFilePath = recTake.isEmpty() ? QString() : recTake + kPartSuffix;
    recFile = recFilePath.isEmpty() ? nullptr : std::fopen(QFile::encodeName(recFilePath), "w+b");
    if (!recFile) {
        // Nothing records: say so on the recording row instead of pretending to capture.
        playFlags &= ~Capturing;
        ctrl->checkRecCtrl(false);
        ctrl->enableRecPlay(isFile(recordPath));
        if (phase == Retelling)
            tabs->setSentences(sentenceTexts);
        showRecordingMessage(kCannotCreate);
        return;
    }
    // No picture of the take may cover the recording caption, nor its score.
    clearScore();
    recPlotId = PlotIdentifier{};
    recView->setProgress(0);
    recView->setPixmap(nullptr);
    recView->setRecording(true);
    recorder->setFile(recFile);
    recTicks = 0;
    recTimer->start();
    recorder->start(QThread::InheritPriority);
}

bool Echora::recordingClockRunning() const { return recTimer->isActive(); }

void Echora::doRecProg()
{
    recTicks += 1;
    const int s = recTicks * recTimer->interval() / 1000;
    ctrl->setRecTime(timetext::clock(s) + QStringLiteral("\n00:00:00"));
}

QString Echora::finishRecording()
{
    if (!recFile)
        return QString();
    const bool closed = std::fclose(recFile) == 0;
    recFile = nullptr;
    QString failure = recorder->message();
    if (failure.isEmpty() && !closed)
        failure = QStringLiteral("file write failed.");
    // A recording stopped before the microphone delivered anything is no recording: the take
    // stays as it was.
    const bool captured = QFileInfo(recFilePath).size() > 0;
    if (failure.isEmpty() && captured) {
        if (std::rename(QFile::encodeName(recFilePath).constData(),
                        QFile::encodeName(recTake).constData()) == 0) {
            ploter->forget(PlotIdentifier{recTake, -1, -1});
            return QString();
        }
        failure = kCannotSave;
    }
    QFile::remove(recFilePath);
    return failure;
}

void Echora::doRecDone()
{
    recTimer->stop();
    recView->setRecording(false);
    ctrl->checkRecCtrl(false);
    const QString failure = finishRecording();
    playFlags &= ~Capturing;
    tabs->setSentences(sentenceTexts);
    if (haveSentence())
        tabs->showSentence(currentSentence, unsigned(-1), unsigned(-1));
    preparePiece();
    ctrl->enableRecPlay(isFile(recordPath));
    if (!failure.isEmpty())
        showRecordingMessage(failure);
}

void Echora::showRecordingMessage(const QString& text)
{
    // The caption stays until the recording row is next prepared; a picture still on its way
    // must not cover it.
    recPlotId = PlotIdentifier{};
    clearScore();
    recView->setRecording(false);
    recView->setFetching(false);
    recView->setPixmap(nullptr);
    recView->setCaption(text);
}

void Echora::clearScore()
{
    scorer->cancel();
    pceView->setPitchOverlay(PitchOverlay{});
    recView->setNote(QString());
}

void Echora::showScore()
{
    clearScore();
    if (phase != ListenAndRepeat || !haveSentence() || !isFile(recordPath))
        return;
    if (const auto kept =
            sentencescores::read(workFolder, recordPath, pcePlotId.start, pcePlotId.end))
        recView->setNote(sentencescores::text(*kept));
    scorer->doScore(pcePlotId, recordPath);
}

void Echora::doScoreDone(PlotIdentifier model, QString recording)
{
    if (phase != ListenAndRepeat || !(model == pcePlotId) || recording != recordPath)
        return;  // the learner has moved on meanwhile
    const ContourScore& result = scorer->score();
    if (!result.learnerVoiced) {
        sentencescores::remove(workFolder, recording);
        pceView->setPitchOverlay(PitchOverlay{result.modelLine, {}});
        recView->setNote(kNoVoice);
        return;
    }
    pceView->setPitchOverlay(PitchOverlay{result.modelLine, result.learnerLine});
    if (!result.scored()) {
        recView->setNote(QString());  // a sentence without voice gives nothing to compare
        return;
    }
    const SentenceScore score{result.intonation, result.rhythm};
    sentencescores::write(workFolder, recording, model.start, model.end, score);
    recView->setNote(sentencescores::text(score));
}

void Echora::makeCurrent(unsigned index)
{
    currentSentence = index;
    oriView->setCurrentSentence(int(index));
    preparePiece();
    tabs->showSentence(index, unsigned(-1), unsigned(-1));
    ctrl->enableRecPlay(isFile(recordPath));
}

unsigned Echora::sentenceAt(double pos) const
{
    for (unsigned i = sentenceCount; i-- > 0;)
        if (double(sentenceTimes[i]) <= pos)
            return i;
    return 0;
}

void Echora::doUpdateProg()
{
    if (playFlags & (OriPlaying | PcePlaying)) {
        const double pos = engine->currentTime(oriChannel);
        if (pos != -1) {
            if (haveSentence()) {
                if (playFlags & OriPlaying) {
                    // The sentences follow the position; the views change only when the
                    // sentence does.
                    const unsigned index = sentenceAt(pos);
                    if (index == currentSentence)
                        seekSettleTicks = 0;
                    else if (seekSettleTicks > 0)
                        --seekSettleTicks;  // the chosen sentence's seek is still under way
                    else
                        makeCurrent(index);
                }
                // A sentence played alone repeats in the engine, which ends each pass at
                // the sentence's last sample.
                if (phase == ListenAndRepeat) {
                    const float start = sentenceStart(currentSentence);
                    const float end = sentenceEnd(currentSentence);
                    const double e = end == -1 ? materialLength() : double(end);
                    const double span = e - start;
                    const float frac = span > 0 ? float((pos - start) / span) : 0.0f;
                    tabs->setKaraProgress(frac);
                    pceView->setProgress(frac);
                    ctrl->setPceTime(timetext::rows(pos - start, span));
                }
            }
            const double d = materialLength();
            oriView->setProgress(d > 0 ? float(pos / d) : 0.0f);
            ctrl->setOriTime(timetext::rows(pos, d));
        }
    }
    if (playFlags & RecPlaying) {
        const double pos = engine->currentTime(recChannel);
        if (pos != -1) {
            const double d = engine->duration(recChannel);
            recView->setProgress(d > 0 ? float(pos / d) : 0.0f);
            ctrl->setRecTime(timetext::rows(pos, d));
        }
    }
}

void Echora::doPlayStopped(MediaIdentifier id)
{
    delete id.audio;
    if (sameChannel(id, oriChannel))
        oriChannel.audio = nullptr;
    if (sameChannel(id, recChannel))
        recChannel.audio = nullptr;
    if (id.path == materialPath) {
        ctrl->checkOriPlay(false);
        ctrl->checkPcePlay(false);
        playFlags &= ~(OriPlaying | PcePlaying);
    }
    if ((id.path.contains(QLatin1String("recordpiece")) ||
         id.path.contains(QLatin1String("the-only-one"))) &&
        id.path == recordPath) {
        ctrl->checkRecPlay(false);
        playFlags &= ~RecPlaying;
    }
}

double Echora::materialLength() const
{
    const float decoded = ploter->duration(PlotIdentifier{materialPath, -1, -1});
    return decoded > 0 ? double(decoded) : engine->duration(oriChannel);
}

void Echora::doPlotDone(PlotIdentifier id)
{
    if (id.path == materialPath && id.start == -1 && id.end == -1) {
        oriView->setDuration(ploter->duration(id));
        oriView->setPixmap(ploter->pixmap(id));
        // The length is now the decoded one; while playing, the next tick shows it.
        if (!(playFlags & (OriPlaying | PcePlaying)) && ploter->duration(id) > 0)
            ctrl->setOriTime(timetext::rows(0, ploter->duration(id)));
    } else if (id.path == materialPath && id == pcePlotId) {
        pceView->setPixmap(ploter->pixmap(id));
    } else if (id.path != materialPath && id == recPlotId) {
        recView->setPixmap(ploter->pixmap(id));
    }
}

void Echora::playFull(const QString& name)
{
    switchMaterial(name);
    playOri(true);
    tabs->setCurrentIndex(2);
    ctrl->enablePractice(false);
    pceView->setPixmap(nullptr);
    pceView->setCaption(kFullPlayingCaption);
    recView->setPixmap(nullptr);
    recView->setCaption(kFullPlayingCaption);
    clearScore();
    ctrl->checkRecPlay(false);
    ctrl->enableRecPlay(false);
    ctrl->setFullPlaying(true);
}

void Echora::setOriView(vPlotWidget* view)
{
    if (oriView)
        oriView->setPositionHandler(nullptr);
    oriView = view;
    if (oriView)
        oriView->setPositionHandler(positionHandler(&Echora::seekOri));
}

void Echora::seekOri(float x)
{
    const double d = materialLength();
    if (d > 0)
        engine->doSeekTime(oriChannel, d * x);
}

void Echora::seekRec(float x)
{
    const double d = engine->duration(recChannel);
    if (d >= 0)
        engine->doSeekTime(recChannel, d * x);
}

void Echora::seekPce(float x)
{
    if (!haveSentence())
        return;
    const double start = sentenceStart(currentSentence);
    const float next = sentenceEnd(currentSentence);
    const double end = next == -1 ? materialLength() : double(next);
    engine->doSeekTime(oriChannel, start + (end - start) * x);
}

void Echora::setOriVolume(float x)
{
    oriVolume = x;
    if (playFlags & (OriPlaying | PcePlaying))
        engine->doSetVolume(oriChannel, x);
}

void Echora::setRecVolume(float x)
{
    recVolume = x;
    if (playFlags & RecPlaying)
        engine->doSetVolume(recChannel, x);
}

void Echora::setSpeed(int tenths)
{
    speedTenths = playspeed::clamp(tenths);
    speedStore.remember(materialPath, speedTenths);
    if (oriChannel.path == materialPath)
        engine->doSetSpeed(oriChannel, playspeed::factor(speedTenths));
    ctrl->showSpeed(speedTenths);
}

void Echora::stepSpeed(int steps) { setSpeed(speedTenths + steps); }

void Echora::cycleSpeed()
{
    setSpeed(speedTenths >= playspeed::kFastest ? playspeed::kSlowest : speedTenths + 1);
}

void Echora::setRecGain(float x) { recorder->configuredGain = x * 327670.0f; }
