#include "audioThread.h"

#include "AudioDev.h"
#include "ChannelFlags.h"
#include "DecodeStep.h"
#include "PacketQueue.h"
#include "TimeStretch.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>

namespace {
// Seconds of written output whose pace is remembered: more than any output holds.
constexpr double kPaceMemory = 10.0;
}  // namespace

audioThread::audioThread(PacketQueue* q, AVCodecContext* c, int streamIndex, AudioDev* dev,
                         AVRational timeBase, ChannelFlags* f, QObject* parent)
    : QThread(parent), queue(q), codec(c), stream(streamIndex), device(dev), tb(timeBase), flags(f)
{
}

audioThread::~audioThread()
{
    stopped = true;
    wait();
}

void audioThread::setLoop(const LoopRange& r)
{
    std::lock_guard lock(loopMutex);
    range = r;
}

audioThread::LoopRange audioThread::loop() const
{
    std::lock_guard lock(loopMutex);
    return range;
}

void audioThread::wrap(const LoopRange& r)
{
    wrapped = true;
    std::lock_guard lock(flags->seekLock);
    if (flags->seeks != generation)
        return;
    const double end = clock;
    ++flags->seeks;
    dropThreshold = r.dropStamp;
    if (videoThreshold)
        *videoThreshold = r.videoDropStamp;
    flags->pendingSeek = r.seekStamp;
    landed = r.start;
    wrapFrom = end;
    wrapTo = r.start;
}

void audioThread::run()
{
    ffmpeg::PacketPtr packet(av_packet_alloc());
    ffmpeg::FramePtr frame(av_frame_alloc());
    int64_t previous = -1;
    while (packet && frame) {
        generation = flags->seeks;
        const NextPacket next =
            nextPacket(*queue, codec, packet.get(), stopped, paused, *flags, &resync);
        if (next == NextPacket::Retry)
            continue;
        if (next == NextPacket::Finished) {
            if (!stopped)
                drain(frame.get());
            if (!stopped && !wrapped)
                finishStretch();
            if (wrapped) {
                wrapped = false;
                continue;
            }
            break;
        }
        const int64_t dts = packet->dts;
        const int64_t drop = dropThreshold;
        // Only a pending seek drops packets. Without one nothing is early: encoders that prime
        // the stream give its first packets negative times, and the decoder's own trim is
        // what removes the priming samples. A packet without a time is dropped only while a
        // threshold is set: some demuxers leave the time of packets inside a page unset.
        const bool early = drop >= 0 && (dts == AV_NOPTS_VALUE ||
                                         dts < drop - ffmpeg::toStamp(kSeekPreRollSeconds, tb));
        if (packet->stream_index != stream || early) {
            av_packet_unref(packet.get());
            continue;
        }
        // Packets before the file's start (an encoder's priming) are heard from its start.
        const int64_t at = dts == AV_NOPTS_VALUE ? dts : std::max(dts, origin);
        if (previous != -1 && at != AV_NOPTS_VALUE) {
            const int64_t in = markIn;
            const int64_t out = markOut;
            if (in >= 0 && previous < in && in <= at)
                Q_EMIT sigMarkIn();
            if (out >= 0 && previous < out && out <= at)
                Q_EMIT sigMarkOut();
        }
        const int64_t end = endBound;
        if (end >= 0 && dts != AV_NOPTS_VALUE && dts > end) {
            av_packet_unref(packet.get());
            finishStretch();
            break;
        }
        const bool go = decodePacket(packet.get(), frame.get());
        if (at != AV_NOPTS_VALUE)
            previous = at;
        av_packet_unref(packet.get());
        if (!go)
            break;
        if (wrapped) {
            wrapped = false;
            previous = -1;  // a loop's return is not a crossing of the marks
        }
    }
    flags->audioRunning = false;
}

void audioThread::drain(AVFrame* frame)
{
    if (!codec || avcodec_send_packet(codec, nullptr) < 0)
        return;
    while (!stopped && avcodec_receive_frame(codec, frame) == 0) {
        const bool go = writeFrame(frame);
        av_frame_unref(frame);
        if (!go || wrapped)
            return;
    }
}

// Decode one packet and write what comes out; false when stopped meanwhile.
bool audioThread::decodePacket(AVPacket* packet, AVFrame* frame)
{
    if (!codec || avcodec_send_packet(codec, packet) < 0)
        return true;  // a failing decoder drops the packet's data
    while (avcodec_receive_frame(codec, frame) == 0) {
        const bool go = writeFrame(frame);
        av_frame_unref(frame);
        if (!go)
            return false;
        if (wrapped)
            return true;  // the decoder is flushed by the coming seek
    }
    return true;
}

bool audioThread::prepareResampler(const AVFrame* frame, int outRate, int outChannels)
{
    const int channels = frame->ch_layout.nb_channels;
    if (swr && swrFormat == frame->format && swrRate == frame->sample_rate &&
        swrChannels == channels && swrOutRate == outRate && swrOutChannels == outChannels)
        return true;
    swr.reset();
    AVChannelLayout in{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, channels);
    else
        av_channel_layout_copy(&in, &frame->ch_layout);
    AVChannelLayout out{};
    if (outChannels == channels)
        av_channel_layout_copy(&out, &in);
    else
        av_channel_layout_default(&out, outChannels);
    SwrContext* raw = nullptr;
    const int made =
        swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, outRate, &in,
                            AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    swr.reset(raw);
    if (made < 0 || !raw || swr_init(swr.get()) < 0) {
        swr.reset();
        return false;
    }
    swrFormat = frame->format;
    swrRate = frame->sample_rate;
    swrChannels = channels;
    swrOutRate = outRate;
    swrOutChannels = outChannels;
    return true;
}

bool audioThread::writeFrame(const AVFrame* frame)
{
    const int channels = frame->ch_layout.nb_channels;
    if (channels <= 0 || frame->nb_samples <= 0 || frame->sample_rate <= 0)
        return true;
    // Frames follow each other without a gap; their own times are taken at the start and
    // after a seek only, since some demuxers only guess the times of packets inside a page
    // (Ogg Vorbis, whose block lengths vary, is off by up to a block).
    const int64_t stamp = frame->best_effort_timestamp;
    if (resync && stamp != AV_NOPTS_VALUE) {
        frameStart = ffmpeg::toSeconds(stamp - origin, tb);
        resync = false;
        swr.reset();         // nothing from before the seek stays in the converter
        stretching = false;  // nor in the stretcher
        recent.clear();
        const int64_t drop = dropThreshold;
        trimTarget = drop >= 0 ? ffmpeg::toSeconds(drop - origin, tb) : -1;
    } else {
        frameStart = nextStart;
    }
    nextStart = frameStart + double(frame->nb_samples) / frame->sample_rate;
    const int skip = samplesBeforeTarget(frame);
    if (skip >= frame->nb_samples)
        return true;  // decoded for its history only
    frameStart += double(skip) / frame->sample_rate;
    int samples = frame->nb_samples - skip;
    // A loop ends at its end sample: what follows it in this frame is not written.
    const LoopRange r = loop();
    const bool atLoopEnd =
        r.active() && r.end > r.start && (r.end - frameStart) * frame->sample_rate < samples;
    if (atLoopEnd)
        samples = std::max(0, int(std::lround((r.end - frameStart) * frame->sample_rate)));
    bool go = writeSamples(frame, skip, samples);
    if (go && atLoopEnd) {
        // The pass ends at the end sample in what is heard too: the stretcher gives up
        // what it holds before the return to the start.
        go = finishStretch();
        wrap(r);
    }
    return go;
}

bool audioThread::writeSamples(const AVFrame* frame, int skip, int samples)
{
    if (samples <= 0)
        return !stopped;
    const int channels = frame->ch_layout.nb_channels;
    // The device may have opened another format than the stream's (when it refused that
    // one): the samples are converted to the format it plays.
    const int outRate =
        device && device->outputRate() > 0 ? device->outputRate() : frame->sample_rate;
    const int outChannels =
        device && device->outputChannels() > 0 ? device->outputChannels() : channels;
    bytesPerSecond = double(outRate) * outChannels * 2;
    if (frame->format == AV_SAMPLE_FMT_S16 && outRate == frame->sample_rate &&
        outChannels == channels) {
        const int bytes = samples * channels * 2;
        if (int(pcm.size()) < bytes)
            pcm.resize(size_t(bytes));
        const uint8_t* first = frame->data[0] + std::ptrdiff_t(skip) * channels * 2;
        std::copy(first, first + bytes, pcm.data());
        return deliver(pcm.data(), samples, outRate, outChannels);
    }
    if (!prepareResampler(frame, outRate, outChannels))
        return true;  // a format that cannot be converted plays silently
    const auto format = AVSampleFormat(frame->format);
    const bool planar = av_sample_fmt_is_planar(format);
    const int step = av_get_bytes_per_sample(format) * (planar ? 1 : channels);
    std::vector<const uint8_t*> inputs(size_t(planar ? channels : 1));
    for (size_t p = 0; p < inputs.size(); ++p)
        inputs[p] = frame->extended_data[p] + std::ptrdiff_t(skip) * step;
    const int capacity = swr_get_out_samples(swr.get(), samples);
    if (capacity <= 0)
        return true;
    const int bytes = capacity * outChannels * 2;
    if (int(pcm.size()) < bytes)
        pcm.resize(size_t(bytes));
    uint8_t* out[1] = {pcm.data()};
    const int got = swr_convert(swr.get(), out, capacity, inputs.data(), samples);
    if (got <= 0)
        return true;
    return deliver(pcm.data(), got, outRate, outChannels);
}

bool audioThread::deliver(uint8_t* data, int frames, int rate, int channels)
{
    const double pace = speed;
    if (stretching || pace != 1.0)
        return deliverStretched(data, frames, rate, channels, pace);
    keepRecent(data, frames, channels);
    return writeAll(data, frames * channels * 2, frameStart, 1.0);
}

bool audioThread::deliverStretched(uint8_t* data, int frames, int rate, int channels, double pace)
{
    if (!stretch || stretch->rate() != rate || stretch->channels() != channels) {
        stretch = std::make_unique<TimeStretch>(rate, channels, pace);
        stretching = false;
    }
    stretch->setSpeed(pace);
    if (!stretching) {
        // Begun in the middle of playing, the stream leans on what was just heard; after a
        // seek there is nothing before it.
        const int lead = int(recent.size()) / channels;
        stretch->restart(recent.data(), lead);
        stretchStart = frameStart;
        stretching = true;
    }
    recent.clear();
    const double from = stretchStart + stretch->materialOut() / rate;
    stretched.clear();
    stretch->feed(reinterpret_cast<const int16_t*>(data), frames, &stretched);
    return writeAll(reinterpret_cast<uint8_t*>(stretched.data()), int(stretched.size()) * 2, from,
                    stretch->speed());
}

bool audioThread::finishStretch()
{
    if (!stretching)
        return !stopped;
    stretching = false;
    const double from = stretchStart + stretch->materialOut() / stretch->rate();
    stretched.clear();
    stretch->finish(&stretched);
    return writeAll(reinterpret_cast<uint8_t*>(stretched.data()), int(stretched.size()) * 2, from,
                    stretch->speed());
}

void audioThread::keepRecent(const uint8_t* data, int frames, int channels)
{
    // Only what a stretcher can use ahead of its stream is kept.
    const size_t keepAll = size_t(TimeStretch::leadFrames()) * size_t(channels);
    const auto* samples = reinterpret_cast<const int16_t*>(data);
    const size_t count = size_t(frames) * size_t(channels);
    if (count >= keepAll) {
        recent.assign(samples + (count - keepAll), samples + count);
        return;
    }
    const size_t overflow = recent.size() + count > keepAll ? recent.size() + count - keepAll : 0;
    recent.erase(recent.begin(), recent.begin() + std::ptrdiff_t(overflow));
    recent.insert(recent.end(), samples, samples + count);
}

void audioThread::noteOutput(double seconds, double pace)
{
    std::lock_guard lock(outputMutex);
    if (paces.empty() || paces.back().pace != pace)
        paces.push_back({outputEnd, pace});
    outputEnd += seconds;
    // Paces of what was played long ago are let go; the latest one stays.
    size_t old = 0;
    while (old + 1 < paces.size() && paces[old + 1].from < outputEnd - kPaceMemory)
        ++old;
    paces.erase(paces.begin(), paces.begin() + std::ptrdiff_t(old));
}

double audioThread::materialHeld(double held) const
{
    std::lock_guard lock(outputMutex);
    double end = outputEnd;
    const double from = outputEnd - held;
    double material = 0;
    for (auto it = paces.rbegin(); it != paces.rend() && end > from; ++it) {
        const double begin = std::max(it->from, from);
        if (end > begin)
            material += (end - begin) * it->pace;
        end = it->from;
    }
    if (end > from)
        material += end - from;  // older than anything remembered: the plain pace
    return material;
}

double audioThread::heardSpeed(double held) const
{
    std::lock_guard lock(outputMutex);
    const double at = outputEnd - held;
    for (auto it = paces.rbegin(); it != paces.rend(); ++it)
        if (it->from <= at)
            return it->pace;
    return paces.empty() ? 1.0 : paces.front().pace;
}

int audioThread::samplesBeforeTarget(const AVFrame* frame)
{
    if (trimTarget < 0)
        return 0;
    const double before = (trimTarget - frameStart) * frame->sample_rate;
    if (before >= frame->nb_samples)
        return frame->nb_samples;
    trimTarget = -1;  // the target is in this frame: what follows is all heard
    return before > 0 ? int(std::lround(before)) : 0;
}

// Offer the bytes until the device took them all; false when stopped meanwhile.
bool audioThread::writeAll(uint8_t* data, int length, double from, double pace)
{
    if (!device)
        return !stopped;
    double done = 0;
    while (length > 0) {
        if (stopped)
            return false;
        if (flags->pendingSeek >= 0 || flags->seeks != generation)
            return true;  // the rest is from before the seek
        if (paused) {
            msleep(10);
            continue;
        }
        heardBefore = clock - materialHeld(device->bufferedSeconds());
        ++writes;
        const int n = device->writeSamples(reinterpret_cast<char*>(data), length);
        if (n > 0) {
            data += n;
            length -= n;
            done += n;
            noteOutput(n / bytesPerSecond, pace);
            clock = from + done * pace / bytesPerSecond;
        }
        ++writes;
        // A full output drains at the pace of real time: let a useful amount of room open
        // up before offering again, rather than waking every millisecond for a few bytes.
        if (length > 0)
            msleep(n > 0 ? 1 : 10);
    }
    return true;
}
