#pragma once
// PaRecThread: records the default microphone as MP3 into a file the caller opened.
// The GUI thread calls setFile, writes configuredGain, starts the thread and calls
// requestStop; run() executes in the recorder thread.
//
// Minimal stand-in: run() records nothing; it waits for the stop request and finishes.
#include <QThread>
#include <atomic>
#include <cstdio>

class PaRecThread : public QThread {
    Q_OBJECT
public:
    explicit PaRecThread(QObject* parent = nullptr);
    ~PaRecThread() override;

    // The output file of the next recording; opened and closed by the caller.
    void setFile(FILE* file);
    // Ask the running recording to end; it finishes after the current block.
    void requestStop();
    // Last error message of a failed recording; empty after a good one.
    QString message() const;

    // Factor applied to every captured sample of the next recording (32767 keeps the level).
    std::atomic<float> configuredGain{65534.0f};

protected:
    void run() override;

private:
    std::atomic<FILE*> nextFile{nullptr};
    std::atomic<int> callbackResult{0};
};
