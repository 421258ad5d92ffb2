#include "contourThread.h"

#include "PlotDecoder.h"

#include <cmath>
#include <vector>

namespace {
constexpr float kFullScale = 32768.0f;
// A file read to its end (a recording, or a material's last sentence) is read up to this
// long: a take left running for minutes costs only so much memory and time, and would score
// no rhythm anyway.
constexpr double kLongestTakeSeconds = 120;
}  // namespace

contourThread::contourThread(QObject* parent) : QThread(parent) {}

contourThread::~contourThread()
{
    abort();
    wait();
}

void contourThread::setSources(const QString& modelPath, float start, float end,
                               const QString& recording)
{
    modelFile = modelPath;
    modelStart = start;
    modelEnd = end;
    recordingFile = recording;
}

PitchContour contourThread::contourOf(const QString& path, float start, float end) const
{
    PlotDecoder decoder;
    if (!decoder.open(path.toUtf8()) || !decoder.hasAudio() || decoder.timeBaseNum() <= 0)
        return {};
    const double unit = double(decoder.timeBaseNum()) / decoder.timeBaseDen();
    const int channels = decoder.channels();
    const std::int64_t endTs = end >= 0 ? std::int64_t(std::trunc(end / unit)) : -1;
    // The range's length in frames when it has both ends (packets run past its end), else
    // at most the longest take.
    const double seconds = start >= 0 && end > start ? double(end - start) : kLongestTakeSeconds;
    const auto wanted = std::size_t(std::llround(seconds * decoder.sampleRate()));
    std::vector<float> mono;
    const PlotDecoder::Sink sink = [&](const std::int16_t* values, std::size_t count) {
        if (isAborted())
            return false;
        for (std::size_t k = 0; k + std::size_t(channels) <= count && mono.size() < wanted;
             k += std::size_t(channels)) {
            int sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += values[k + std::size_t(c)];
            mono.push_back(float(sum) / (kFullScale * float(channels)));
        }
        return true;
    };
    if (start >= 0)
        decoder.seek(std::int64_t(std::trunc(start / unit)));
    bool reading = true;
    while (reading && !isAborted() && mono.size() < wanted) {
        const PlotDecoder::Packet kind = decoder.readPacket();
        if (kind == PlotDecoder::Packet::End) {
            decoder.drain(sink);
            break;
        }
        const std::int64_t dts = decoder.packetDts();
        if (endTs != -1 && dts != PlotDecoder::kNoTimestamp && dts > endTs)
            reading = false;
        else if (kind == PlotDecoder::Packet::Audio)
            decoder.decodePacket(sink);
        decoder.releasePacket();
    }
    if (isAborted())
        return {};
    return extractContour(mono.data(), mono.size(), decoder.sampleRate());
}

void contourThread::run()
{
    const PitchContour model = contourOf(modelFile, modelStart, modelEnd);
    if (isAborted())
        return;
    const PitchContour learner = contourOf(recordingFile, -1, -1);
    if (isAborted())
        return;
    result = scoreContours(model, learner);
    Q_EMIT sigThreadDone();
}
