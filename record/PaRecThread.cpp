#include "PaRecThread.h"

#include "Mp3Encoder.h"
#include "PaInput.h"

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
    QMutexLocker lock(&messageLock);
    return lastMessage;
}

void PaRecThread::fail(const QString& text)
{
    QMutexLocker lock(&messageLock);
    if (lastMessage.isEmpty())
        lastMessage = text;
}

int PaRecThread::onBlock(const void* input, void*, unsigned long frameCount,
                         const PaStreamCallbackTimeInfo*, unsigned long statusFlags, void* userData)
{
    auto* self = static_cast<PaRecThread*>(userData);
    if (statusFlags & paInputOverflow)
        self->overflows.fetch_add(1, std::memory_order_relaxed);
    if (input) {
        if (!self->encoder->encode(static_cast<const float*>(input), frameCount)) {
            self->writeFailed = true;
            return paComplete;
        }
        self->frames.fetch_add(qint64(frameCount), std::memory_order_relaxed);
    }
    return self->callbackResult.load();
}

void PaRecThread::run()
{
    {
        QMutexLocker lock(&messageLock);
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
        fail(QStringLiteral("file write failed."));
}

bool PaRecThread::capture(Mp3Encoder& mp3)
{
    PaInput input;
    encoder = &mp3;
    QString problem = input.open(&PaRecThread::onBlock, this);
    if (problem.isEmpty()) {
        // A stop request that came while preparing ends the recording before it begins.
        if (callbackResult.load() != paContinue)
            return false;
        problem = input.start();
    }
    if (!problem.isEmpty()) {
        fail(problem);
        return false;
    }
    bool stopSeen = false;
    while (input.isActive()) {
        if (callbackResult.load() != paContinue) {
            // The callback ends the stream after its next block; if no block came within a
            // whole poll, the device has stopped delivering.
            if (stopSeen) {
                input.stop();
                break;
            }
            stopSeen = true;
        }
        msleep(500);
    }
    problem = input.close();
    if (!problem.isEmpty())
        fail(problem);
    if (writeFailed.load())
        fail(mp3.encoderFailed() ? QStringLiteral("lame encode failed.")
                                 : QStringLiteral("file write failed."));
    encoder = nullptr;
    return true;
}
