#include "Mp3Probe.h"

#include <QFile>
#include <cmath>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {
struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrCloser {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

// Reads the encoder delay and padding from the "Info"/"Xing" frame's LAME extension.
void readTag(const QString& path, DecodedAudio& out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray head = file.read(4096);
    for (const char* name : {"Info", "Xing"}) {
        const qsizetype at = head.indexOf(name);
        if (at < 0 || at > 64)
            continue;
        const qsizetype lame = head.indexOf("LAME", at);
        if (lame < 0 || lame + 24 > head.size())
            return;
        const auto* b = reinterpret_cast<const unsigned char*>(head.constData() + lame + 21);
        out.tagDelay = (b[0] << 4) | (b[1] >> 4);
        out.tagPadding = ((b[1] & 0x0f) << 8) | b[2];
        return;
    }
}
}  // namespace

std::vector<float> DecodedAudio::channel(int index, long long first, long long count) const
{
    std::vector<float> out;
    const long long end = count < 0 ? frames() : std::min(frames(), first + count);
    for (long long i = first; i < end; ++i)
        out.push_back(samples[size_t(i * channels + index)]);
    return out;
}

namespace mp3probe {

DecodedAudio decode(const QString& path)
{
    DecodedAudio out;
    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return out;
    std::unique_ptr<AVFormatContext, FormatCloser> format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return out;
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec)
        return out;
    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return out;
    out.rate = decoder->sample_rate;
    out.channels = decoder->ch_layout.nb_channels;
    SwrContext* rawSwr = nullptr;
    if (swr_alloc_set_opts2(&rawSwr, &decoder->ch_layout, AV_SAMPLE_FMT_FLT, out.rate,
                            &decoder->ch_layout, decoder->sample_fmt, out.rate, 0, nullptr) < 0)
        return out;
    std::unique_ptr<SwrContext, SwrCloser> swr(rawSwr);
    if (swr_init(swr.get()) < 0)
        return out;
    std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameCloser> frame(av_frame_alloc());
    auto drain = [&]() {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            const size_t at = out.samples.size();
            out.samples.resize(at + size_t(frame->nb_samples * out.channels));
            auto* dst = reinterpret_cast<uint8_t*>(out.samples.data() + at);
            const int n =
                swr_convert(swr.get(), &dst, frame->nb_samples,
                            const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
            out.samples.resize(at + size_t(std::max(n, 0) * out.channels));
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(decoder.get(), packet.get()) == 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    readTag(path, out);
    out.ok = out.channels > 0 && out.rate > 0;
    return out;
}

int dominantFrequency(const std::vector<float>& samples, int rate, int low, int high)
{
    // Goertzel power at every whole frequency of the range.
    int best = low;
    double bestPower = -1.0;
    for (int f = low; f <= high; ++f) {
        const double w = 2.0 * M_PI * f / rate;
        const double coeff = 2.0 * std::cos(w);
        double s1 = 0.0, s2 = 0.0;
        for (float x : samples) {
            const double s0 = x + coeff * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = f;
        }
    }
    return best;
}

double rms(const std::vector<float>& samples)
{
    if (samples.empty())
        return 0.0;
    double sum = 0.0;
    for (float x : samples)
        sum += double(x) * x;
    return std::sqrt(sum / double(samples.size()));
}

}  // namespace mp3probe
