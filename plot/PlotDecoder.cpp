#include "PlotDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>

namespace {
// The converted samples of one frame; 192000 bytes hold any usual frame, larger ones grow it.
constexpr std::size_t kBufferBytes = 192000;
// A gap before the first sound longer than this is taken for a broken timestamp.
constexpr double kLongestGap = 600;

AVChannelLayout layoutOf(const AVChannelLayout& given)
{
    AVChannelLayout layout{};
    if (given.order == AV_CHANNEL_ORDER_NATIVE || given.order == AV_CHANNEL_ORDER_AMBISONIC)
        av_channel_layout_copy(&layout, &given);
    else
        av_channel_layout_default(&layout, given.nb_channels);
    return layout;
}
}  // namespace

void PlotDecoder::FormatCloser::operator()(AVFormatContext* f) const { avformat_close_input(&f); }
void PlotDecoder::CodecFreer::operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
void PlotDecoder::PacketFreer::operator()(AVPacket* p) const { av_packet_free(&p); }
void PlotDecoder::FrameFreer::operator()(AVFrame* f) const { av_frame_free(&f); }
void PlotDecoder::SwrFreer::operator()(SwrContext* s) const { swr_free(&s); }

PlotDecoder::PlotDecoder() = default;
PlotDecoder::~PlotDecoder() { close(); }

bool PlotDecoder::open(const QByteArray& utf8Path)
{
    close();
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, utf8Path.constData(), nullptr, nullptr) < 0)
        return false;
    std::unique_ptr<AVFormatContext, FormatCloser> opened(raw);
    if (avformat_find_stream_info(opened.get(), nullptr) < 0)
        return false;

    streams = int(opened->nb_streams);
    for (int i = 0; i < streams; ++i) {
        const AVMediaType type = opened->streams[i]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_AUDIO && audioIndex < 0)
            audioIndex = i;
        else if (type == AVMEDIA_TYPE_VIDEO && videoIndex < 0)
            videoIndex = i;
    }
    if (opened->duration != AV_NOPTS_VALUE && opened->duration > 0)
        duration = double(opened->duration) / 1000000.0;

    if (audioIndex >= 0) {
        AVStream* stream = opened->streams[audioIndex];
        tbNum = stream->time_base.num;
        tbDen = stream->time_base.den;
        // Times count from the file's start, as the player's clock does: the container's
        // start time (which already leaves out an MP3 encoder's delay). Audio that starts
        // later than that (a track with a start offset) begins with silence.
        if (opened->start_time != AV_NOPTS_VALUE)
            origin =
                av_rescale_q(opened->start_time, AVRational{1, AV_TIME_BASE}, stream->time_base);
        else if (stream->start_time != AV_NOPTS_VALUE)
            origin = stream->start_time;
        expected = origin;
        if (duration < 0 && stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
            duration = double(stream->duration) * av_q2d(stream->time_base);
        if (const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id)) {
            std::unique_ptr<AVCodecContext, CodecFreer> context(avcodec_alloc_context3(decoder));
            if (context && avcodec_parameters_to_context(context.get(), stream->codecpar) >= 0) {
                context->pkt_timebase = stream->time_base;
                if (avcodec_open2(context.get(), decoder, nullptr) >= 0 &&
                    context->sample_rate > 0 && context->ch_layout.nb_channels > 0) {
                    rate = context->sample_rate;
                    channelCount = context->ch_layout.nb_channels;
                    codec = std::move(context);
                }
            }
        }
    }
    packet.reset(av_packet_alloc());
    frame.reset(av_frame_alloc());
    if (!packet || !frame) {
        close();
        return false;
    }
    buffer.assign(kBufferBytes / sizeof(std::int16_t), 0);
    format = std::move(opened);
    return true;
}

void PlotDecoder::close()
{
    swr.reset();
    frame.reset();
    packet.reset();
    codec.reset();
    format.reset();
    streams = 0;
    audioIndex = videoIndex = -1;
    duration = -1;
    tbNum = tbDen = rate = channelCount = 0;
    dts = trimBefore = expected = kNoTimestamp;
    origin = 0;
    swrRate = swrChannels = 0;
    swrFormat = -1;
}

bool PlotDecoder::seek(std::int64_t timestamp)
{
    if (!format || audioIndex < 0)
        return false;
    trimBefore = timestamp + origin;
    expected = trimBefore;
    const bool moved =
        avformat_seek_file(format.get(), audioIndex, INT64_MIN, trimBefore, INT64_MAX, 0) >= 0;
    if (codec)
        avcodec_flush_buffers(codec.get());
    return moved;
}

bool PlotDecoder::seekWithPreRoll(std::int64_t timestamp, std::int64_t preRoll)
{
    if (!format || audioIndex < 0)
        return false;
    const std::int64_t early = timestamp + origin - preRoll;
    if (avformat_seek_file(format.get(), audioIndex, INT64_MIN, early, early, 0) < 0)
        return false;
    trimBefore = timestamp + origin;
    expected = trimBefore;
    if (codec)
        avcodec_flush_buffers(codec.get());
    return true;
}

std::vector<PlotSeekIndex::Point> PlotDecoder::seekPoints() const
{
    std::vector<PlotSeekIndex::Point> points;
    if (!format || audioIndex < 0)
        return points;
    AVStream* stream = format->streams[audioIndex];
    const int count = avformat_index_get_entries_count(stream);
    points.reserve(std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        if (const AVIndexEntry* e = avformat_index_get_entry(stream, i))
            points.push_back({e->pos, e->timestamp, e->size, e->min_distance, e->flags});
    }
    return points;
}

void PlotDecoder::addSeekPoints(const std::vector<PlotSeekIndex::Point>& points)
{
    if (!format || audioIndex < 0)
        return;
    AVStream* stream = format->streams[audioIndex];
    for (const PlotSeekIndex::Point& p : points)
        av_add_index_entry(stream, p.position, p.timestamp, p.size, p.distance, p.flags);
}

PlotDecoder::Packet PlotDecoder::readPacket()
{
    if (!format || av_read_frame(format.get(), packet.get()) < 0) {
        dts = kNoTimestamp;
        return Packet::End;
    }
    dts = kNoTimestamp;
    if (packet->dts != AV_NOPTS_VALUE && audioIndex >= 0) {
        // Packets of other streams count in their own time base.
        const AVStream* from = format->streams[packet->stream_index];
        const AVStream* audio = format->streams[audioIndex];
        dts = av_rescale_q(packet->dts, from->time_base, audio->time_base) - origin;
    }
    return packet->stream_index == audioIndex && codec ? Packet::Audio : Packet::Other;
}

void PlotDecoder::releasePacket()
{
    if (packet)
        av_packet_unref(packet.get());
}

bool PlotDecoder::decodePacket(const Sink& sink)
{
    if (!codec || packet->stream_index != audioIndex)
        return true;
    if (avcodec_send_packet(codec.get(), packet.get()) < 0)
        return true;
    return receiveFrames(sink);
}

bool PlotDecoder::drain(const Sink& sink)
{
    if (!codec)
        return true;
    if (avcodec_send_packet(codec.get(), nullptr) >= 0 && !receiveFrames(sink))
        return false;
    return flushConverter(sink);
}

bool PlotDecoder::receiveFrames(const Sink& sink)
{
    while (avcodec_receive_frame(codec.get(), frame.get()) >= 0) {
        const bool more = convertFrame(sink);
        av_frame_unref(frame.get());
        if (!more)
            return false;
    }
    return true;
}

bool PlotDecoder::ensureConverter()
{
    const int channelsIn = frame->ch_layout.nb_channels;
    if (swr && swrRate == frame->sample_rate && swrFormat == frame->format &&
        swrChannels == channelsIn)
        return true;
    swr.reset();
    AVChannelLayout in = layoutOf(frame->ch_layout);
    AVChannelLayout out{};
    if (codec->ch_layout.nb_channels == channelCount)
        out = layoutOf(codec->ch_layout);
    else
        av_channel_layout_default(&out, channelCount);
    SwrContext* raw = nullptr;
    const int made =
        swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, rate, &in, AVSampleFormat(frame->format),
                            frame->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    std::unique_ptr<SwrContext, SwrFreer> owner(raw);
    if (made < 0 || !raw || swr_init(raw) < 0)
        return false;
    swr = std::move(owner);
    swrRate = frame->sample_rate;
    swrFormat = frame->format;
    swrChannels = channelsIn;
    return true;
}

bool PlotDecoder::convertFrame(const Sink& sink)
{
    if (frame->nb_samples <= 0 || frame->sample_rate <= 0 || !ensureConverter())
        return true;
    if (expected != kNoTimestamp && !passSilence(sink))
        return false;
    int skip = 0;
    if (trimBefore != kNoTimestamp) {
        // After a seek the demuxer may land early: drop what lies before the range.
        const std::int64_t pts = frame->best_effort_timestamp;
        if (pts != AV_NOPTS_VALUE && pts < trimBefore) {
            const double seconds = double(trimBefore - pts) * tbNum / tbDen;
            skip = int(std::lround(seconds * frame->sample_rate));
            if (skip >= frame->nb_samples)
                return true;
        }
        trimBefore = kNoTimestamp;
    }
    const int inSamples = frame->nb_samples - skip;
    const uint8_t* in[AV_NUM_DATA_POINTERS] = {};
    const int bytes = av_get_bytes_per_sample(AVSampleFormat(frame->format));
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(frame->format));
    const int planes = planar ? frame->ch_layout.nb_channels : 1;
    const int step = planar ? bytes : bytes * frame->ch_layout.nb_channels;
    std::vector<const uint8_t*> wide;
    const uint8_t** inputs = in;
    if (planes > AV_NUM_DATA_POINTERS) {
        wide.resize(std::size_t(planes));
        inputs = wide.data();
    }
    for (int p = 0; p < planes; ++p)
        inputs[p] = frame->extended_data[p] + std::ptrdiff_t(skip) * step;

    const int capacity = swr_get_out_samples(swr.get(), inSamples);
    if (capacity <= 0)
        return true;
    const std::size_t need = std::size_t(capacity) * std::size_t(channelCount);
    if (buffer.size() < need)
        buffer.resize(need);
    uint8_t* out = reinterpret_cast<uint8_t*>(buffer.data());
    const int got = swr_convert(swr.get(), &out, capacity, inputs, inSamples);
    return got <= 0 || pass(sink, std::size_t(got));
}

bool PlotDecoder::flushConverter(const Sink& sink)
{
    if (!swr)
        return true;
    const int capacity = int(buffer.size() / std::size_t(channelCount));
    uint8_t* out = reinterpret_cast<uint8_t*>(buffer.data());
    for (;;) {
        const int got = swr_convert(swr.get(), &out, capacity, nullptr, 0);
        if (got <= 0)
            return true;
        if (!pass(sink, std::size_t(got)))
            return false;
    }
}

bool PlotDecoder::passSilence(const Sink& sink)
{
    // The first frame after opening or seeking: when it starts later than the range, the
    // gap is silence the player's clock counts too.
    const std::int64_t pts = frame->best_effort_timestamp;
    const std::int64_t from = expected;
    expected = kNoTimestamp;
    if (pts == AV_NOPTS_VALUE || pts <= from)
        return true;
    const double seconds = double(pts - from) * tbNum / tbDen;
    if (seconds > kLongestGap)
        return true;  // a broken timestamp, not a gap
    auto frames = std::int64_t(std::llround(seconds * rate));
    const auto chunk = std::int64_t(buffer.size()) / channelCount;
    while (frames > 0) {
        const std::int64_t n = std::min(frames, chunk);
        std::fill_n(buffer.begin(), n * channelCount, std::int16_t(0));
        if (!pass(sink, std::size_t(n)))
            return false;
        frames -= n;
    }
    return true;
}

bool PlotDecoder::pass(const Sink& sink, std::size_t frames)
{
    return sink(buffer.data(), frames * std::size_t(channelCount));
}
