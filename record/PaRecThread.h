#pragma once
// PaRecThread: records the default microphone as MP3 into a file the caller opened.
// The GUI thread calls setFile, writes configuredGain, starts the thread, calls requestStop
// and waits for the thread; run() (the recorder thread) prepares PortAudio and the encoder,
// polls while capturing and flushes and releases everything. PortAudio's callback thread
// encodes every captured block and appends it to the file. The end of a recording, good or
// failed, is reported only by QThread::finished(); message() then tells what failed.
#include <QString>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <mutex>

class Mp3Encoder;
struct PaStreamCallbackTimeInfo;

class PaRecThread : public QThread {
    Q_OBJECT
public:
    explicit PaRecThread(QObject* parent = nullptr);
    ~PaRecThread() override;

    // The output file of the next recording, opened ("w+b") and closed by the caller. Arms the
    // next recording: a stop request made from here on ends it, even one made before run()
    // has set everything up. Each recording takes the file once; the next needs setFile again.
    void setFile(FILE* file);
    // Ask the running recording to end; it ends after the block being captured, which is
    // still written. A device that has stopped delivering is left behind at the next poll.
    void requestStop();
    // Last error message of a failed recording; empty after a good one.
    QString message() const;
    // Frames per channel captured by the running or last recording (0 again after setFile).
    qint64 capturedFrames() const { return frames.load(); }
    // Blocks PortAudio flagged as overflowed (input lost) in the running or last recording.
    qint64 inputOverflows() const { return overflows.load(); }

    // Factor applied to every captured sample (full scale 1.0) to reach the encoder's scale
    // (full scale 32768); 32767 keeps the level. Read when a recording is prepared, so a change
    // during a recording takes effect from the next one.
    std::atomic<float> configuredGain{65534.0f};

protected:
    void run() override;

private:
    static int onBlock(const void* input, void* output, unsigned long frameCount,
                       const PaStreamCallbackTimeInfo* timeInfo, unsigned long statusFlags,
                       void* userData);
    struct CallbackLink;
    // Runs the capture stream until it ends; false when it never started.
    bool capture(Mp3Encoder& encoder);
    void fail(const QString& text);

    std::atomic<FILE*> nextFile{nullptr};
    // 0 keeps capturing, 1 completes the stream after the current block: the stop request.
    std::atomic<int> callbackResult{0};
    // Set by the callback when the encoder or the file failed; the stream completes.
    std::atomic<bool> writeFailed{false};
    std::atomic<qint64> frames{0};
    std::atomic<qint64> overflows{0};
    mutable std::mutex messageLock;
    QString lastMessage;
};
