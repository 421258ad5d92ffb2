#include "plotThread.h"

#include <cmath>
#include <numeric>
#include <thread>

namespace {
// The second half starts decoding this long before its first frame, so that frame comes out
// of the decoder as it does in one pass.
constexpr double kSplitPreRollSeconds = 1.0;
}  // namespace

plotThread::plotThread(QObject* parent) : QThread(parent) {}

plotThread::~plotThread()
{
    abort();
    wait();
}

bool plotThread::open(const QString& path)
{
    filePath = path;
    return decoder.open(path.toUtf8());
}

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
    halves = false;
    if (!decoder.isOpen() || !decoder.hasAudio()) {
        // Nothing to draw: the black picture still reports, so no view waits for ever.
        if (!isAborted())
            Q_EMIT sigThreadDone();
        return;
    }
    if (startTs != -1)
        decoder.seek(startTs);
    const bool wholeFile = startTs == -1 && endTs == -1;
    const Walk result = wholeFile ? walkWhole() : walk(decoder, peaks);
    if (result == Walk::Aborted || isAborted())
        return;
    peaks.finish();
    if (wholeFile)
        decoded = double(peaks.frames()) / decoder.sampleRate();
    peaks.render(columns, layoutFrames());
    Q_EMIT sigThreadDone();
}

std::int64_t plotThread::splitFrame() const
{
    const double seconds = decoder.durationSeconds();
    const int rate = decoder.sampleRate();
    const std::int64_t num = decoder.timeBaseNum();
    const std::int64_t den = decoder.timeBaseDen();
    if (onePass || std::thread::hardware_concurrency() < 2 || seconds < kShortestSplitSeconds ||
        rate <= 0 || num <= 0 || den <= 0)
        return -1;
    const auto estimate = std::int64_t(std::llround(seconds * rate));
    // The split lies on a block boundary of both halves' peaks (even when the container's
    // length is off by half), and on a frame whose time is a whole timestamp.
    const std::int64_t blocks = WavePeaks::blockFramesFor(2 * estimate);
    const std::int64_t perFrame = rate * num;
    const std::int64_t exact = perFrame / std::gcd(perFrame, den);
    const std::int64_t step = std::lcm(blocks, exact);
    const std::int64_t split = estimate / 2 / step * step;
    return split > 0 ? split : -1;
}

plotThread::Walk plotThread::walkWhole()
{
    const std::int64_t split = splitFrame();
    if (split < 0)
        return walk(decoder, peaks);
    const std::int64_t num = decoder.timeBaseNum();
    const std::int64_t den = decoder.timeBaseDen();
    const std::int64_t splitStamp = split * den / (std::int64_t(decoder.sampleRate()) * num);
    const auto preRoll = std::int64_t(std::llround(kSplitPreRollSeconds * double(den) / num));

    // Frame positions an earlier worker learnt spare the second decoder reading up to the
    // split to find it.
    const std::vector<PlotSeekIndex::Point> known = decoder.seekPoints();
    // What the helper needs of the first decoder, taken before that one starts reading.
    const QByteArray path = filePath.toUtf8();
    const int channels = decoder.channels();
    const int rate = decoder.sampleRate();
    PlotDecoder second;
    WavePeaks secondPeaks;
    bool secondDone = false;
    std::jthread helper([&] {
        if (!second.open(path) || second.channels() != channels || second.sampleRate() != rate)
            return;
        second.addSeekPoints(known);
        if (!second.seekWithPreRoll(splitStamp, preRoll))
            return;
        secondPeaks.reset(second.channels());
        secondDone = walk(second, secondPeaks) == Walk::Done;
        secondPeaks.finish();
    });
    const Walk first = walk(decoder, peaks, split);
    helper.join();
    if (first != Walk::Limit)
        return first;  // aborted, or the file ended before the split: walked whole
    if (secondDone && peaks.append(secondPeaks)) {
        // What the second decoder learnt of the frame positions serves later sentences.
        decoder.addSeekPoints(second.seekPoints());
        halves = true;
        return Walk::Done;
    }
    // The halves do not join (the second could not be read from there): one pass after all.
    if (isAborted() || !decoder.open(filePath.toUtf8()))
        return Walk::Aborted;
    peaks.reset(decoder.channels());
    return walk(decoder, peaks);
}

plotThread::Walk plotThread::walk(PlotDecoder& from, WavePeaks& into, std::int64_t frameLimit)
{
    bool stopped = false;
    bool full = false;
    const std::size_t channels = std::size_t(from.channels());
    const PlotDecoder::Sink sink = [&](const std::int16_t* values, std::size_t n) {
        if (isAborted()) {
            stopped = true;
            return false;
        }
        if (frameLimit >= 0) {
            const auto room = std::size_t(frameLimit - into.frames()) * channels;
            if (n >= room) {
                into.add(values, room);
                full = true;
                return false;
            }
        }
        into.add(values, n);
        return true;
    };
    for (;;) {
        const PlotDecoder::Packet kind = from.readPacket();
        if (kind == PlotDecoder::Packet::End)
            break;
        if (isAborted()) {
            from.releasePacket();
            return Walk::Aborted;
        }
        const std::int64_t dts = from.packetDts();
        if (endTs != -1 && dts != PlotDecoder::kNoTimestamp && dts > endTs) {
            from.releasePacket();
            return Walk::Done;
        }
        if (kind == PlotDecoder::Packet::Audio)
            from.decodePacket(sink);
        from.releasePacket();
        if (stopped)
            return Walk::Aborted;
        if (full)
            return Walk::Limit;
    }
    // End of file: what the decoder still holds belongs to the range's tail.
    from.drain(sink);
    if (stopped)
        return Walk::Aborted;
    return full ? Walk::Limit : Walk::Done;
}
