#pragma once
// contourThread: one intonation analysis. The GUI thread names a model range and a recording
// and starts the thread; run() decodes both (PlotDecoder, mixed to mono), extracts their
// pitch contours, aligns them and scores the recording, then signals sigThreadDone()
// (queued to the PitchScorer). The GUI thread may set the abort flag at any time and reads
// the result only after the thread has ended. Owns its decoders and result.
#include "ContourScore.h"

#include <QString>
#include <QThread>
#include <atomic>

class contourThread : public QThread {
    Q_OBJECT
public:
    explicit contourThread(QObject* parent = nullptr);
    // Aborts and waits when still running.
    ~contourThread() override;

    // GUI thread, before start(): the model's file and range in seconds (-1 for its
    // beginning or end) and the recording, which is read whole.
    void setSources(const QString& modelPath, float start, float end, const QString& recording);

    void abort() { aborting.store(true, std::memory_order_relaxed); }
    bool isAborted() const { return aborting.load(std::memory_order_relaxed); }

    // Valid once the thread has ended.
    const ContourScore& score() const { return result; }

Q_SIGNALS:
    void sigThreadDone();

protected:
    void run() override;

private:
    // The contour of a file's range; empty when the file cannot be read or on abort.
    PitchContour contourOf(const QString& path, float start, float end) const;

    QString modelFile;
    float modelStart = -1;
    float modelEnd = -1;
    QString recordingFile;
    ContourScore result;
    std::atomic<bool> aborting{false};
};
