#include "TimeStretch.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
using RubberBand::RubberBandStretcher;

// Frames handed to the stretcher at a time; also its largest process size.
constexpr int kBlock = 1024;
// Silence fed behind the material at most while finishing, in seconds: far more than the
// stretcher's delay at any speed.
constexpr double kLongestTail = 4.0;
constexpr float kFullScale = 32768.0f;
// The last frames fed that are kept, for the mirrored tail: more than the stretcher's window.
constexpr int kTailFrames = 8192;
// Frames of material before a stream begun while playing that are kept for its lead: more
// than the stretcher's pad.
constexpr int kLeadFrames = 4096;
// Output frames over which a stream begun while playing fades in from the plain sound: the
// stretcher's first output neither has the material's phase nor yet its full strength.
constexpr int kBlendFrames = 512;

// Real-time R3 engine; the channels are stretched together so a stereo image stays put.
constexpr RubberBandStretcher::Options kOptions = RubberBandStretcher::OptionProcessRealTime |
                                                  RubberBandStretcher::OptionEngineFiner |
                                                  RubberBandStretcher::OptionChannelsTogether;

int16_t toSample(float v)
{
    return int16_t(std::clamp(std::lround(v * kFullScale), -32768L, 32767L));
}
}  // namespace

struct TimeStretch::Engine {
    // Stretches the first `channels` of frames of `stride` channels.
    Engine(int rate, int channels, int stride)
        : stretcher(size_t(rate), size_t(channels), kOptions), input(size_t(channels)),
          output(size_t(channels)), inputs(size_t(channels)), outputs(size_t(channels)),
          frameSize(size_t(stride))
    {
        stretcher.setMaxProcessSize(kBlock);
        for (size_t c = 0; c < size_t(channels); ++c) {
            input[c].resize(kBlock);
            output[c].resize(kBlock);
            inputs[c] = input[c].data();
            outputs[c] = output[c].data();
        }
    }

    int channels() const { return int(input.size()); }

    // Planar float copy of `frames` interleaved frames (null: silence).
    void load(const int16_t* in, int frames)
    {
        for (size_t c = 0; c < input.size(); ++c)
            for (int i = 0; i < frames; ++i)
                input[c][size_t(i)] = in ? float(in[size_t(i) * frameSize + c]) / kFullScale : 0.0f;
    }

    RubberBandStretcher stretcher;
    std::vector<std::vector<float>> input;
    std::vector<std::vector<float>> output;
    std::vector<const float*> inputs;
    std::vector<float*> outputs;
    size_t frameSize;  // channels of the interleaved frames loaded
};

TimeStretch::TimeStretch(int rate, int channels, double speed)
    : sampleRate(rate), channelCount(channels), pace(speed)
{
    useEngine(channels > 1 ? 1 : channels);
}

TimeStretch::~TimeStretch() = default;

void TimeStretch::setSpeed(double speed)
{
    if (speed == pace || speed <= 0)
        return;
    pace = speed;
    engine->stretcher.setTimeRatio(1.0 / pace);
}

int TimeStretch::leadFrames() { return kLeadFrames; }

void TimeStretch::useEngine(int stretched)
{
    oneForAll = stretched < channelCount;
    if (engine && engine->channels() == stretched)
        return;
    if (spare && spare->channels() == stretched)
        std::swap(engine, spare);
    else
        spare =
            std::exchange(engine, std::make_unique<Engine>(sampleRate, stretched, channelCount));
    engine->stretcher.reset();
    engine->stretcher.setTimeRatio(1.0 / pace);
}

bool TimeStretch::sameChannels(const int16_t* in, int frames) const
{
    const auto channels = size_t(channelCount);
    for (size_t i = 0; i < size_t(std::max(frames, 0)) * channels; i += channels)
        for (size_t c = 1; c < channels; ++c)
            if (in[i + c] != in[i])
                return false;
    return true;
}

void TimeStretch::restart(const int16_t* lead, int frames)
{
    useEngine(sameChannels(lead, frames) ? std::min(channelCount, 1) : channelCount);
    RubberBandStretcher& s = engine->stretcher;
    s.reset();
    s.setTimeRatio(1.0 / pace);
    fedFrames = 0;
    outFrames = 0;
    emitted = 0;
    fed.clear();
    dry.clear();
    dropFrames = int64_t(s.getStartDelay());
    leadMissing = frames <= 0;
    blending = !leadMissing;
    leadKept.clear();
    if (leadMissing)
        return;
    const int kept = std::min(frames, kLeadFrames);
    leadKept.assign(lead + std::ptrdiff_t(frames - kept) * channelCount,
                    lead + std::ptrdiff_t(frames) * channelCount);
    pad(lead, frames);
}

void TimeStretch::unfold(std::vector<int16_t>* out)
{
    const auto channels = size_t(channelCount);
    // What is kept of the stream as one run: the lead while every frame fed is still kept,
    // then the frames fed. `first` is the place of its first frame in the stream.
    std::vector<int16_t> kept;
    const auto fedKept = int64_t(fed.size() / channels);
    if (fedKept == fedFrames)
        kept = leadKept;
    kept.insert(kept.end(), fed.begin(), fed.end());
    const auto keptFrames = int64_t(kept.size() / channels);
    const int64_t first = fedFrames - keptFrames;
    // The new stretcher starts from the material heard so far.
    const int64_t at = std::clamp<int64_t>(std::llround(outFrames), first, fedFrames) - first;
    useEngine(channelCount);
    dropFrames = int64_t(engine->stretcher.getStartDelay());
    if (emitted > 0) {  // it fades in like a stream begun while playing
        blending = true;
        emitted = 0;
        dry.assign(kept.begin() + std::ptrdiff_t(size_t(at) * channels),
                   kept.begin() +
                       std::ptrdiff_t(size_t(std::min(at + kBlendFrames, keptFrames)) * channels));
    }
    if (at > 0)
        pad(kept.data(), int(at));
    else if (keptFrames > 0)
        leadFromInput(kept.data(), int(keptFrames));
    process(kept.data() + size_t(at) * channels, int(keptFrames - at), out, -1);
}

// The stretcher's pad: silence, then as much of `lead` (its last frames) as there is.
void TimeStretch::pad(const int16_t* lead, int frames)
{
    const int wanted = int(engine->stretcher.getPreferredStartPad());
    const int used = std::min(frames, wanted);
    std::vector<int16_t> ignored;
    for (int silent = wanted - used; silent > 0;) {
        const int n = std::min(silent, kBlock);
        process(nullptr, n, &ignored, -1);
        silent -= n;
    }
    process(lead + std::ptrdiff_t(frames - used) * channelCount, used, &ignored, -1);
}

// The first frames mirrored around the first one as the lead.
void TimeStretch::leadFromInput(const int16_t* in, int frames)
{
    leadMissing = false;
    const int length = std::min(frames - 1, int(engine->stretcher.getPreferredStartPad()));
    const auto channels = size_t(channelCount);
    mirror.assign(size_t(std::max(length, 0)) * channels, 0);
    for (int j = 0; j < length; ++j)  // lead frame j stands `length - j` frames before the first
        std::copy_n(in + size_t(length - j) * channels, channels,
                    mirror.begin() + std::ptrdiff_t(size_t(j) * channels));
    pad(mirror.data(), length);
}

void TimeStretch::keepFed(const int16_t* in, int frames)
{
    const auto channels = size_t(channelCount);
    const size_t keep = size_t(kTailFrames) * channels;
    const size_t count = size_t(frames) * channels;
    if (count >= keep) {
        fed.assign(in + (count - keep), in + count);
        return;
    }
    const size_t overflow = fed.size() + count > keep ? fed.size() + count - keep : 0;
    fed.erase(fed.begin(), fed.begin() + std::ptrdiff_t(overflow));
    fed.insert(fed.end(), in, in + count);
}

void TimeStretch::feed(const int16_t* in, int frames, std::vector<int16_t>* out)
{
    if (frames <= 0)
        return;
    if (oneForAll && !sameChannels(in, frames))
        unfold(out);
    if (leadMissing)
        leadFromInput(in, frames);
    const size_t wantDry = blending ? size_t(kBlendFrames) * size_t(channelCount) : 0;
    if (dry.size() < wantDry)
        dry.insert(dry.end(), in,
                   in + std::min(wantDry - dry.size(), size_t(frames) * size_t(channelCount)));
    process(in, frames, out, -1);
    keepFed(in, frames);
    fedFrames += frames;
}

void TimeStretch::finish(std::vector<int16_t>* out)
{
    const double target = double(fedFrames);
    const auto remaining = [&] { return std::lround((target - outFrames) / pace); };
    retrieve(out, double(remaining()));
    // Behind the material: its last frames mirrored around the last one, then silence.
    const auto channels = size_t(channelCount);
    const int kept = int(fed.size() / channels);
    mirror.assign(fed.size(), 0);
    for (int j = 0; j + 1 < kept; ++j)
        std::copy_n(fed.begin() + std::ptrdiff_t(size_t(kept - 2 - j) * channels), channels,
                    mirror.begin() + std::ptrdiff_t(size_t(j) * channels));
    for (int at = 0; at < kept && remaining() > 0; at += kBlock) {
        const int n = std::min(kBlock, kept - at);
        process(mirror.data() + size_t(at) * channels, n, out, double(remaining()));
    }
    for (int blocks = int(kLongestTail * sampleRate / kBlock); blocks > 0 && remaining() > 0;
         --blocks)
        process(nullptr, kBlock, out, double(remaining()));
}

// Hand `frames` frames (null: silence) to the stretcher block by block and take what comes
// out; `limit` >= 0 caps the output frames appended.
void TimeStretch::process(const int16_t* in, int frames, std::vector<int16_t>* out, double limit)
{
    for (int done = 0; done < frames;) {
        const int n = std::min(kBlock, frames - done);
        engine->load(in ? in + std::ptrdiff_t(done) * channelCount : nullptr, n);
        engine->stretcher.process(engine->inputs.data(), size_t(n), false);
        done += n;
        retrieve(out, limit);
    }
}

void TimeStretch::retrieve(std::vector<int16_t>* out, double limit)
{
    RubberBandStretcher& s = engine->stretcher;
    for (int available = s.available(); available > 0; available = s.available()) {
        const int got =
            int(s.retrieve(engine->outputs.data(), size_t(std::min(available, kBlock))));
        if (got <= 0)
            return;
        const int dropped = int(std::min<int64_t>(dropFrames, got));
        dropFrames -= dropped;
        int take = got - dropped;
        if (limit >= 0)
            take = std::min(take, int(limit));
        const size_t at = out->size();
        out->resize(at + size_t(take) * size_t(channelCount));
        for (int i = 0; i < take; ++i, ++emitted)
            for (int c = 0; c < channelCount; ++c)
                (*out)[at + size_t(i) * size_t(channelCount) + size_t(c)] = toSample(
                    blended(engine->output[oneForAll ? 0 : size_t(c)][size_t(dropped + i)], c));
        outFrames += take * pace;
        if (limit >= 0) {
            limit -= take;
            if (limit <= 0)
                return;
        }
    }
}

// The first output frames of a stream begun while playing, faded in from the plain sound.
float TimeStretch::blended(float wet, int channel) const
{
    if (!blending || emitted >= kBlendFrames)
        return wet;
    const size_t at = size_t(emitted) * size_t(channelCount) + size_t(channel);
    if (at >= dry.size())
        return wet;
    const float w = (float(emitted) + 0.5f) / float(kBlendFrames);
    return w * wet + (1 - w) * float(dry[at]) / kFullScale;
}
