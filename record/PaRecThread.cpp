#include "PaRecThread.h"

#include "Mp3Encoder.h"
#include "PaInput.h"

#include <memory>

PaRecThread::PaRecThread(QObject* parent) : QThread(parent) {}

PaRecThread::~PaRecThread()
{
    requestStop();
    wait();
}

void PaRecThread::setFile(FILE* file)
{
    nextFile = file;
    // A recording still finishing keeps its stop request and its counts.
    if (!isRunning()) {
        callbackResult = paContinue;
        frames = 0;
        overflows = 0;
    }
}

void PaRecThread::requestStop() { callbackResult = paComplete; }

QString PaRecThread::message() const
{
    std::lock_guard lock(messageLock);
    return lastMessage;
}

void PaRecThread::fail(const QString& text)
{
    std::lock_guard lock(messageLock);
    if (lastMessage.isEmpty())
        lastMessage = text;
}

// What PortAudio's callback reaches. It lives as long as the stream; a stream that can no
// longer be stopped is abandoned together with its link, which then tells every late callback
// to end without touching the recorder, the encoder or the file.
struct PaRecThread::CallbackLink {
    PaRecThread* recorder = nullptr;
    Mp3Encoder* encoder = nullptr;
    // The callback is between its check of `abandoned` and its return.
    std::atomic<bool> busy{false};
    std::atomic<bool> abandoned{false};
};

int PaRecThread::onBlock(const void* input, void*, unsigned long frameCount,
                         const PaStreamCallbackTimeInfo*, unsigned long statusFlags, void* userData)
{
    auto* link = static_cast<CallbackLink*>(userData);
    // Both flags are sequentially consistent: either this callback sees the abandonment, or
    // the recorder thread sees it busy and waits for it to return.
    link->busy = true;
    if (link->abandoned) {
        link->busy = false;
        return paAbort;
    }
    PaRecThread* self = link->recorder;
    if (statusFlags & paInputOverflow)
        self->overflows.fetch_add(1, std::memory_order_relaxed);
    bool written = true;
    if (input) {
        written = link->encoder->encode(static_cast<const float*>(input), frameCount);
        if (written)
            self->frames.fetch_add(qint64(frameCount), std::memory_order_relaxed);
        else
            self->writeFailed = true;
    }
    // The stop request is read once per block, after it: this block was the last one.
    const int result = written ? self->callbackResult.load() : int(paComplete);
    link->busy = false;
    return result;
}

void PaRecThread::run()
{
    {
        std::lock_guard lock(messageLock);
        lastMessage.clear();
    }
    frames = 0;
    overflows = 0;
    writeFailed = false;
    FILE* file = nextFile.exchange(nullptr);
    if (!file) {
        fail(QStringLiteral("NULL file pointer."));
        return;
    }
    Mp3Encoder mp3;
    const QString problem = mp3.open(file, configuredGain.load());
    if (!problem.isEmpty()) {
        fail(problem);
        return;
    }
    // A recording that never started leaves the file empty.
    if (capture(mp3) && !mp3.finish())
        fail(mp3.encoderFailed() ? QStringLiteral("lame encode failed.")
                                 : QStringLiteral("file write failed."));
}

bool PaRecThread::capture(Mp3Encoder& mp3)
{
    auto link = std::make_unique<CallbackLink>();
    link->recorder = this;
    link->encoder = &mp3;
    auto input = std::make_unique<PaInput>();
    QString problem = input->open(&PaRecThread::onBlock, link.get());
    if (problem.isEmpty()) {
        // A stop request that came while preparing ends the recording before it begins.
        if (callbackResult.load() != paContinue)
            return false;
        problem = input->start();
    }
    if (!problem.isEmpty()) {
        fail(problem);
        return false;
    }
    qint64 framesAtStop = -1;
    while (input->isActive()) {
        if (callbackResult.load() != paContinue) {
            // The callback ends the stream after its next block. If no block came during a
            // whole poll, the device has stopped delivering, and PortAudio would wait for it
            // forever when stopping or closing the stream: leave the stream behind instead.
            if (framesAtStop == frames.load()) {
                link->abandoned = true;
                while (link->busy)
                    msleep(1);
                Q_UNUSED(input.release());
                Q_UNUSED(link.release());
                fail(QStringLiteral("portaudio: The input device stopped delivering sound."));
                return true;
            }
            framesAtStop = frames.load();
        }
        msleep(500);
    }
    problem = input->close();
    if (!problem.isEmpty())
        fail(problem);
    if (writeFailed.load())
        fail(mp3.encoderFailed() ? QStringLiteral("lame encode failed.")
                                 : QStringLiteral("file write failed."));
    return true;
}
