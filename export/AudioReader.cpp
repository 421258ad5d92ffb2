#include "AudioReader.h"
#include "FFmpegHandles.h"

#include <algorithm>
#include <cstddef>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {
QString ffmpegError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}
}  // namespace

struct AudioReader::Handles {
    ffmpeg::FormatPtr format;
    ffmpeg::CodecPtr codec;
    ffmpeg::PacketPtr packet;
    ffmpeg::FramePtr frame;
    ffmpeg::ResamplerPtr swr;
    int stream = -1;
    bool draining = false;
};

AudioReader::AudioReader() = default;
AudioReader::~AudioReader() = default;

QString AudioReader::open(const QString& path)
{
    h = std::make_unique<Handles>();
    pending.clear();
    pendingAt = 0;
    consumed = 0;
    ended = false;
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr);
    if (rc < 0)
        return ffmpegError(rc);
    h->format.reset(raw);
    if ((rc = avformat_find_stream_info(raw, nullptr)) < 0)
        return ffmpegError(rc);
    const AVCodec* decoder = nullptr;
    h->stream = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (h->stream < 0 || !decoder)
        return QStringLiteral("文件里没有声音");
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        if (int(i) != h->stream)
            raw->streams[i]->discard = AVDISCARD_ALL;
    }
    const AVStream* stream = raw->streams[h->stream];
    h->codec.reset(avcodec_alloc_context3(decoder));
    h->packet.reset(av_packet_alloc());
    h->frame.reset(av_frame_alloc());
    if (!h->codec || !h->packet || !h->frame)
        return QStringLiteral("内存不足");
    if ((rc = avcodec_parameters_to_context(h->codec.get(), stream->codecpar)) < 0)
        return ffmpegError(rc);
    h->codec->pkt_timebase = stream->time_base;
    if ((rc = avcodec_open2(h->codec.get(), decoder, nullptr)) < 0)
        return ffmpegError(rc);
    return {};
}

double AudioReader::duration() const
{
    if (!h || !h->format || h->format->duration == AV_NOPTS_VALUE || h->format->duration <= 0)
        return -1;
    return double(h->format->duration) / AV_TIME_BASE;
}

long long AudioReader::read(long long frames, std::vector<float>& out)
{
    long long given = 0;
    while (given < frames) {
        if (pendingAt >= pending.size()) {
            pending.clear();
            pendingAt = 0;
            if (!refill())
                break;
            continue;
        }
        const long long available = (long long)(pending.size() - pendingAt) / kChannels;
        const long long take = std::min(available, frames - given);
        out.insert(out.end(), pending.begin() + std::ptrdiff_t(pendingAt),
                   pending.begin() + std::ptrdiff_t(pendingAt + std::size_t(take) * kChannels));
        pendingAt += std::size_t(take) * kChannels;
        given += take;
    }
    consumed += given;
    return given;
}

// Decodes until some samples are pending; false at the end of the stream.
bool AudioReader::refill()
{
    if (!h || !h->codec || ended)
        return false;
    while (pending.empty()) {
        const int rc = avcodec_receive_frame(h->codec.get(), h->frame.get());
        if (rc == 0) {
            AVFrame* f = h->frame.get();
            if (!h->swr) {
                AVChannelLayout stereo{};
                av_channel_layout_default(&stereo, kChannels);
                AVChannelLayout in{};
                if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
                    av_channel_layout_default(&in, f->ch_layout.nb_channels);
                else
                    av_channel_layout_copy(&in, &f->ch_layout);
                SwrContext* swr = nullptr;
                swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, kRate, &in,
                                    AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
                av_channel_layout_uninit(&in);
                h->swr.reset(swr);
                if (!swr || swr_init(swr) < 0) {
                    ended = true;
                    return false;
                }
            }
            const int room = swr_get_out_samples(h->swr.get(), f->nb_samples);
            pending.resize(std::size_t(std::max(room, 0)) * kChannels);
            auto* dst = reinterpret_cast<uint8_t*>(pending.data());
            const int got =
                swr_convert(h->swr.get(), &dst, room, const_cast<const uint8_t**>(f->extended_data),
                            f->nb_samples);
            pending.resize(std::size_t(std::max(got, 0)) * kChannels);
            av_frame_unref(f);
            continue;
        }
        if (rc == AVERROR_EOF) {
            // What the converter still holds.
            if (h->swr) {
                const int room = swr_get_out_samples(h->swr.get(), 0);
                pending.resize(std::size_t(std::max(room, 0)) * kChannels);
                auto* dst = reinterpret_cast<uint8_t*>(pending.data());
                const int got = room > 0 ? swr_convert(h->swr.get(), &dst, room, nullptr, 0) : 0;
                pending.resize(std::size_t(std::max(got, 0)) * kChannels);
            }
            ended = true;
            return !pending.empty();
        }
        if (rc != AVERROR(EAGAIN)) {
            ended = true;  // the decoder failed for good
            return false;
        }
        // The decoder wants input.
        if (h->draining) {
            ended = true;
            return false;
        }
        int read = 0;
        while ((read = av_read_frame(h->format.get(), h->packet.get())) >= 0 &&
               h->packet->stream_index != h->stream)
            av_packet_unref(h->packet.get());
        if (read < 0) {
            h->draining = true;
            avcodec_send_packet(h->codec.get(), nullptr);
            continue;
        }
        avcodec_send_packet(h->codec.get(), h->packet.get());
        av_packet_unref(h->packet.get());
    }
    return true;
}
