#include "plotThread.h"

#include <cmath>

plotThread::plotThread(QObject* parent) : QThread(parent) {}

plotThread::~plotThread()
{
    abort();
    wait();
}

bool plotThread::open(const QString& path) { return decoder.open(path.toUtf8()); }

void plotThread::close() { decoder.close(); }

void plotThread::setRange(std::int64_t start, std::int64_t end)
{
    startTs = start;
    endTs = end;
}

std::int64_t plotThread::layoutFrames() const
{
    const double unit = double(decoder.timeBaseNum()) / decoder.timeBaseDen();
    const double rate = decoder.sampleRate();
    if (startTs != -1 && endTs != -1)
        return std::int64_t(std::llround(double(endTs - startTs) * unit * rate));
    if (startTs == -1 && endTs != -1 && decoder.durationSeconds() > 0) {
        // From the beginning to a given end: laid out as the whole file is, stopped there.
        return std::int64_t(std::llround(decoder.durationSeconds() * rate));
    }
    return peaks.frames();
}

void plotThread::run()
{
    columns.clear();
    peaks.reset(decoder.channels());
    decoded = -1;
    if (!decoder.isOpen() || !decoder.hasAudio()) {
        // Nothing to draw: the black picture still reports, so no view waits for ever.
        if (!isAborted())
            Q_EMIT sigThreadDone();
        return;
    }
    if (startTs != -1)
        decoder.seek(startTs);
    if (!walk() || isAborted())
        return;
    peaks.finish();
    if (startTs == -1 && endTs == -1)
        decoded = double(peaks.frames()) / decoder.sampleRate();
    peaks.render(columns, layoutFrames());
    Q_EMIT sigThreadDone();
}

bool plotThread::walk()
{
    bool stopped = false;
    const PlotDecoder::Sink sink = [this, &stopped](const std::int16_t* values, std::size_t n) {
        if (isAborted()) {
            stopped = true;
            return false;
        }
        peaks.add(values, n);
        return true;
    };
    for (;;) {
        const PlotDecoder::Packet kind = decoder.readPacket();
        if (kind == PlotDecoder::Packet::End)
            break;
        if (isAborted()) {
            decoder.releasePacket();
            return false;
        }
        const std::int64_t dts = decoder.packetDts();
        if (endTs != -1 && dts != PlotDecoder::kNoTimestamp && dts > endTs) {
            decoder.releasePacket();
            return true;
        }
        if (kind == PlotDecoder::Packet::Audio)
            decoder.decodePacket(sink);
        decoder.releasePacket();
        if (stopped)
            return false;
    }
    // End of file: what the decoder still holds belongs to the range's tail.
    decoder.drain(sink);
    return !stopped;
}
