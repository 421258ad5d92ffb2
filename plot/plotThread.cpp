#include "plotThread.h"

#include <cmath>

plotThread::plotThread(QObject* parent) : QThread(parent) {}

plotThread::~plotThread()
{
    abort();
    wait();
}

bool plotThread::open(const QString& path)
{
    columnWidth = 0;
    if (!decoder.open(path.toUtf8()))
        return false;
    const double seconds = decoder.durationSeconds();
    if (decoder.hasAudio() && seconds > 0) {
        // Two units per 16-bit value of all channels: each column gets 1/561 of the file.
        columnWidth = float(seconds * decoder.sampleRate() * 2 * decoder.channels() / kColumns);
    }
    return true;
}

void plotThread::close() { decoder.close(); }

void plotThread::setRange(std::int64_t start, std::int64_t end)
{
    startTs = start;
    endTs = end;
}

void plotThread::prepareRange()
{
    if (startTs == -1)
        return;
    const double seconds = decoder.durationSeconds();
    const double unit = double(decoder.timeBaseNum()) / decoder.timeBaseDen();
    if (endTs == -1)
        endTs = std::int64_t(seconds / unit);
    decoder.seek(startTs);
    // Each column covers 1/561 of the range instead of the file.
    columnWidth = float(double(columnWidth) * double(endTs - startTs) * unit / seconds);
}

void plotThread::run()
{
    columns.reset(0);
    if (!decoder.isOpen()) {
        // Nothing to read: the black picture still reports, so no view waits for ever.
        if (!isAborted())
            Q_EMIT sigThreadDone();
        return;
    }
    if (decoder.hasAudio() && decoder.durationSeconds() > 0)
        prepareRange();
    columns.reset(columnWidth);
    if (!walk() || isAborted())
        return;
    columns.finish();
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
        return columns.add(values, n);
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
        // Every column is drawn: the rest of the file changes nothing.
        if (columns.complete())
            return true;
    }
    // End of file: what the decoder still holds belongs to the range's tail.
    decoder.drain(sink);
    return !stopped;
}
