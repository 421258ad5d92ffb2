#pragma once
// plotThread: one waveform computation. The GUI thread opens the file, sets the range and
// starts the thread; run() decodes the range in the worker thread, gathers its fine peaks
// while it goes and, once the range's true length is known, lays them out on the 561 x 40
// picture, then signals sigThreadDone() (queued to the Ploter). The GUI
// thread may set the abort flag at any time; it reads the picture and closes the file only
// after the thread has ended.
//
// A whole file long enough is decoded in two halves at once: run() opens a second decoder of
// its own for the second half in a helper thread it joins before it ends, and appends that
// half's peaks to the first's. The peaks (and so the picture) are those of one pass.
#include "PlotDecoder.h"
#include "WaveColumns.h"
#include "WavePeaks.h"

#include <QImage>
#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>

class plotThread : public QThread {
    Q_OBJECT
public:
    static constexpr int kColumns = WaveColumns::kColumns;

    explicit plotThread(QObject* parent = nullptr);
    // Aborts and waits when still running, so a worker is never destroyed mid-run.
    ~plotThread() override;

    // GUI thread, before start(). False when the file cannot be opened; run() then
    // delivers a black picture.
    bool open(const QString& path);
    // GUI thread, after the thread has ended.
    void close();

    bool isOpen() const { return decoder.isOpen(); }
    bool hasAudio() const { return decoder.hasAudio(); }
    // The container's duration, known at once but only an estimate for some files.
    double durationSeconds() const { return decoder.durationSeconds(); }
    // The whole file's length as decoded (a whole-file range, after the run), else -1.
    double decodedSeconds() const { return decoded; }
    int timeBaseNum() const { return decoder.timeBaseNum(); }
    int timeBaseDen() const { return decoder.timeBaseDen(); }
    int sampleRate() const { return decoder.sampleRate(); }

    // What the demuxer learnt about frame positions (GUI thread, after the run), and the
    // same from an earlier worker on this file (GUI thread, after open, before start).
    std::vector<PlotSeekIndex::Point> seekPoints() const { return decoder.seekPoints(); }
    void addSeekPoints(const std::vector<PlotSeekIndex::Point>& points)
    {
        decoder.addSeekPoints(points);
    }

    // The range in the audio stream's time base; -1 for the file's beginning or end.
    void setRange(std::int64_t start, std::int64_t end);
    // GUI thread, before start(): decode a whole file in one pass even when it could be split
    // in two halves.
    void setOnePass(bool one) { onePass = one; }
    // Whether the run decoded the file in two halves (valid once the thread has ended).
    bool decodedInHalves() const { return halves; }
    // Files shorter than this (seconds) are decoded in one pass: starting the second half
    // would cost more than it saves.
    static constexpr double kShortestSplitSeconds = 20;
    std::int64_t startTimestamp() const { return startTs; }
    std::int64_t endTimestamp() const { return endTs; }

    void abort() { aborting.store(true, std::memory_order_relaxed); }
    bool isAborted() const { return aborting.load(std::memory_order_relaxed); }

    // Valid once the thread has ended.
    const QImage& picture() const { return columns.picture(); }
    int completedColumns() const { return columns.completedColumns(); }
    // The fine peaks the picture was laid out from (valid once the thread has ended).
    const WavePeaks& finePeaks() const { return peaks; }

Q_SIGNALS:
    void sigThreadDone();

protected:
    void run() override;

private:
    // What decoding one span of the file came to.
    enum class Walk { Done, Limit, Aborted };
    // Decodes packets from `from` into `into` until the range ends, the file ends (then what
    // the decoder holds is drained) or, with a frame limit, exactly that many frames were
    // gathered.
    Walk walk(PlotDecoder& from, WavePeaks& into, std::int64_t frameLimit = -1);
    // The whole file: in two halves at once when it is long enough, else in one pass.
    Walk walkWhole();
    // Where the second half starts (frames), or -1 when the file is not split.
    std::int64_t splitFrame() const;
    // Frames the columns are laid out on: the range's own length when it has both ends,
    // else what was decoded.
    std::int64_t layoutFrames() const;

    PlotDecoder decoder;
    WavePeaks peaks;
    WaveColumns columns;
    double decoded = -1;
    std::int64_t startTs = -1;
    std::int64_t endTs = -1;
    QString filePath;
    bool onePass = false;
    bool halves = false;
    std::atomic<bool> aborting{false};
};
