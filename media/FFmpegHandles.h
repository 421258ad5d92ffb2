#pragma once
// Owners of FFmpeg handles: each handle lives in a std::unique_ptr with a deleter, so every
// exit path releases it. For the sources of the libraries that decode (media, export); no
// public header includes this one.
// The owner of each handle decides which thread touches it.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace ffmpeg {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFreer {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResamplerFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct BufferFreer {
    void operator()(uint8_t* b) const { av_free(b); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFreer>;
using BufferPtr = std::unique_ptr<uint8_t, BufferFreer>;

// Seconds to a timestamp of time base `tb`, truncated toward zero; -1 for negative seconds.
inline int64_t toStamp(double seconds, AVRational tb)
{
    if (seconds < 0 || tb.num <= 0 || tb.den <= 0)
        return -1;
    return static_cast<int64_t>(seconds * tb.den / tb.num);
}

// A timestamp of time base `tb` in seconds.
inline double toSeconds(int64_t stamp, AVRational tb) { return double(stamp) * av_q2d(tb); }

}  // namespace ffmpeg
