#pragma once
// plotThread: one waveform computation. The GUI thread opens the file, sets the range and
// starts the thread; run() decodes the range in the worker thread, gathers its fine peaks
// while it goes and, once the range's true length is known, lays them out on the 561 x 40
// picture, then signals sigThreadDone() (queued to the Ploter). The GUI
// thread may set the abort flag at any time; it reads the picture and closes the file only
// after the thread has ended.
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
    // Decodes packets into the peaks until the range ends; false when aborted.
    bool walk();
    // Frames the columns are laid out on: the range's own length when it has both ends,
    // else what was decoded.
    std::int64_t layoutFrames() const;

    PlotDecoder decoder;
    WavePeaks peaks;
    WaveColumns columns;
    double decoded = -1;
    std::int64_t startTs = -1;
    std::int64_t endTs = -1;
    std::atomic<bool> aborting{false};
};
