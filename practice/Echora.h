#pragma once
// Echora: the practice controller. Holds the open material, its sentence timeline, the
// learner's recording files and the playback and recording state, and drives the window
// through the v* interfaces. Everything runs in the GUI thread; the engine, the waveform
// workers and the recorder report back through queued signals.
#include "MaterialSpeeds.h"
#include "MediaIdentifier.h"
#include "PlaybackSpeed.h"
#include "PlotIdentifier.h"
#include "vCtrlWidget.h"

#include <QObject>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

class vTabsWidget;
class vPlotWidget;
class vExporter;
class VideoDev;
class MediaEngine;
class Ploter;
class PitchScorer;
class PaRecThread;
class QTimer;
class QSettings;
struct SentenceFileEdit;

class Echora : public QObject {
    Q_OBJECT
public:
    enum PlayFlag : std::uint8_t { OriPlaying = 1, PcePlaying = 2, RecPlaying = 4, Capturing = 8 };

    Echora(vCtrlWidget* ctrl, vTabsWidget* tabs, vPlotWidget* recView, vPlotWidget* pceView,
           vPlotWidget* oriView, VideoDev* video, QObject* parent);
    ~Echora() override;

    // Material opening and the sentence timeline.
    void switchMaterial(const QString& path);
    void loadLrc(const QString& lrcPath);
    void selectSentence(int index);
    void preparePiece();
    QString materialName() const { return materialPath; }

    // Phases and transport.
    void choosePhase(int p);
    void playOri(bool on);
    void playPce(bool on);
    void playRec(bool on);
    void recStart(bool on);
    void playFull(const QString& name);
    void setOriVolume(float x);
    void setRecVolume(float x);
    void setRecGain(float x);
    // The material's speed in tenths (see playspeed), held to the playable range: it applies
    // at once to the material playing, never to the recording, and is remembered for the
    // material. stepSpeed moves it by `steps` tenths and stops at the ends; cycleSpeed goes
    // one tenth up, from the fastest back to the slowest.
    void setSpeed(int tenths);
    void stepSpeed(int steps);
    void cycleSpeed();
    int speed() const { return speedTenths; }
    // Where the speeds are remembered (not owned; none: not remembered).
    void keepSpeedsIn(QSettings* settings) { speedStore = MaterialSpeeds(settings); }
    void setOriView(vPlotWidget* view);
    void seekOri(float x);
    void seekRec(float x);
    void seekPce(float x);
    // Runs the export dialog for the open material and writes the recordings chosen in it.
    void exportTo(vExporter* d);

    // Sentence-timing editing (EchoraEdit.cpp). editLrc(true) shows the sentence view's A-B
    // marks and makes the sentence play button play A..B; editLrc(false) saves the current
    // sentence's new bounds and every text corrected in the sentence list. splitLrc() splits
    // the current sentence at the text selected in the list, the second half starting at
    // mark A. Each change is written to the material's ".lrc" (beside subtitles when those were
    // read), keeping the first version once as ".lrc.orig", and the timeline is read again.
    // A failure leaves the file as it was and is told in editMessage().
    void editLrc(bool on);
    void splitLrc();
    // Puts the sentence file kept before the first edit back in place.
    void restoreLrc();
    bool hasOriginalLrc() const;
    // Why the last editing operation changed nothing; empty after a success or no change.
    const QString& editMessage() const { return lastEditMessage; }

    // Read access for the window and for tests.
    const QString& recordingPath() const { return recordPath; }
    const QString& practiceFolder() const { return workFolder; }
    unsigned sentences() const { return sentenceCount; }
    const std::vector<float>& times() const { return sentenceTimes; }
    const QStringList& texts() const { return sentenceTexts; }
    unsigned current() const { return currentSentence; }
    int currentPhase() const { return phase; }
    std::uint8_t flags() const { return playFlags; }
    MediaEngine* mediaEngine() const { return engine; }
    Ploter* plotter() const { return ploter; }
    PitchScorer* pitchScorer() const { return scorer; }
    PaRecThread* recorderThread() const { return recorder; }
    const MediaIdentifier& materialChannel() const { return oriChannel; }
    const MediaIdentifier& recordingChannel() const { return recChannel; }
    vPlotWidget* materialView() const { return oriView; }
    bool recordingClockRunning() const;

public Q_SLOTS:
    void doUpdateProg();
    void doPlayStopped(MediaIdentifier id);
    void doPlotDone(PlotIdentifier id);
    void doRecDone();
    void doRecProg();
    // A Listen & Repeat recording was scored against its sentence (or found to hold no voice).
    void doScoreDone(PlotIdentifier model, QString recording);

private:
    bool haveSentence() const { return currentSentence < sentenceCount; }
    float sentenceStart(unsigned i) const { return sentenceTimes[i]; }
    float sentenceEnd(unsigned i) const;
    // The material's length: the decoded one once its whole waveform is done, the
    // container's estimate before that.
    double materialLength() const;
    MediaIdentifier openChannel(const QString& path, float volume);
    // Make sentence `index` current while the whole material plays: views, recording row.
    void makeCurrent(unsigned index);
    // The sentence playing at `pos` seconds: the last one whose start is at or before it, the
    // first when none is.
    unsigned sentenceAt(double pos) const;
    bool isVideoName(const QString& path) const;
    static bool isFile(const QString& path);
    // Pause the learner's recording if it plays, and uncheck its play button.
    void stopRecordingPlayback();
    // After the recorder thread ended: close the recording file and put it in place of the
    // take when the recording succeeded, else remove it. Returns the failure's message, empty
    // when the take was replaced or nothing was captured.
    QString finishRecording();
    // Show `text` on the recording row instead of a waveform.
    void showRecordingMessage(const QString& text);
    // Listen & Repeat with a recording of the current sentence: show its kept score and have
    // it scored (again) with both pitch contours; otherwise clear both.
    void showScore();
    void clearScore();
    // Editing: the bounds the sentence play button plays (A..B while editing), the marked
    // bounds of the current sentence, writing a change to the sentence file, and showing the
    // timeline read back from it.
    // While the sentence is played alone the engine repeats it (its bounds while they are
    // being edited); otherwise the channel plays on.
    void updateSentenceLoop();
    void pceBounds(float* start, float* end) const;
    bool markedBounds(float* newStart, float* newEnd, bool* moved) const;
    QString editedLrcPath() const;
    bool rewriteSentenceFile(const std::function<SentenceFileEdit(const QByteArray&)>& change);
    void showEditedTimeline(unsigned keep);

    QString recordPath;
    QString materialPath;
    QString workFolder;
    unsigned sentenceCount = 0;
    // The sentence file is there but cannot be read (too large, or in no known encoding).
    bool sentenceFileUnreadable = false;
    QStringList sentenceTexts;
    std::vector<float> sentenceTimes;
    std::uint8_t playFlags = 0;
    MediaIdentifier recChannel;
    MediaIdentifier oriChannel;
    PlotIdentifier recPlotId;
    PlotIdentifier pcePlotId;
    unsigned currentSentence = unsigned(-1);
    PracticePhase phase = NoPhase;
    float recVolume = 0.75f;
    float oriVolume = 0.75f;
    int speedTenths = playspeed::kNormal;
    MaterialSpeeds speedStore{nullptr};
    bool editing = true;
    bool editMode = false;  // the A-B marks are shown: between editLrc(true) and editLrc(false)
    QString lastEditMessage;
    vCtrlWidget* ctrl;
    vTabsWidget* tabs;
    vPlotWidget* recView;
    vPlotWidget* pceView;
    vPlotWidget* oriView;
    VideoDev* video;
    MediaEngine* engine = nullptr;
    Ploter* ploter = nullptr;
    PitchScorer* scorer = nullptr;
    FILE* recFile = nullptr;
    QString recFilePath;  // the path recFile was opened with, beside the take
    QString recTake;      // the take the recording in recFile will replace
    PaRecThread* recorder = nullptr;
    QTimer* progressTimer = nullptr;
    QTimer* recTimer = nullptr;
    int recTicks = 0;
    // Ticks left during which the whole-material play waits for the seek to a sentence the
    // learner chose, before the position may again pick the current sentence.
    int seekSettleTicks = 0;
};
