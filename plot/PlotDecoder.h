#pragma once
// PlotDecoder: reads one media file for a waveform worker and hands out the first audio
// stream's samples as interleaved signed 16-bit values at the decoder's own rate and
// channel count. Opened and closed in the GUI thread (so the duration and time base are
// known at once), read only by the worker thread in between; never shared while it runs.
#include "PlotSeekIndex.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

class PlotDecoder {
public:
    // Receives a run of interleaved values; returns false to stop the current call.
    using Sink = std::function<bool(const std::int16_t* values, std::size_t count)>;
    enum class Packet { Audio, Other, End };
    static constexpr std::int64_t kNoTimestamp = INT64_MIN;

    PlotDecoder();
    ~PlotDecoder();
    PlotDecoder(const PlotDecoder&) = delete;
    PlotDecoder& operator=(const PlotDecoder&) = delete;

    // Opens the file (a UTF-8 path) and its first audio stream's decoder. False when the
    // file cannot be opened or probed; a file without audio opens but has no decoder.
    bool open(const QByteArray& utf8Path);
    void close();
    bool isOpen() const { return format != nullptr; }
    bool hasAudio() const { return codec != nullptr; }

    int streamCount() const { return streams; }
    int audioStream() const { return audioIndex; }
    int videoStream() const { return videoIndex; }
    // Whole file in seconds from the container header (the audio stream's own duration
    // when the container gives none), or -1 when unknown.
    double durationSeconds() const { return duration; }
    int timeBaseNum() const { return tbNum; }
    int timeBaseDen() const { return tbDen; }
    int sampleRate() const { return rate; }
    int channels() const { return channelCount; }

    // Timestamps here count from the file's start time (0 for most files; an MP3's encoder
    // delay is left out). Sound that starts later than the file begins with silence.
    // Seeks the audio stream to a timestamp in its time base; decoded samples before it
    // are dropped. False when the demuxer refuses (reading then goes on where it was).
    bool seek(std::int64_t timestamp);
    // The same, landing at least `preRoll` (time base units) before the timestamp, so the
    // decoder has the history the first samples at the timestamp lean on (the overlap of
    // transform windows, an MP3 bit reservoir, a predictor's state) and they come out as a
    // decoding from the file's start gives them. False when the demuxer cannot land there.
    bool seekWithPreRoll(std::int64_t timestamp, std::int64_t preRoll);
    // The audio stream's frame index as the demuxer knows it so far, and the same handed
    // to a fresh demuxer of the same file before it seeks.
    std::vector<PlotSeekIndex::Point> seekPoints() const;
    void addSeekPoints(const std::vector<PlotSeekIndex::Point>& points);
    // Reads the next packet of any stream; End on end of file or a read error.
    Packet readPacket();
    // Decoding timestamp of the last packet, in the audio stream's time base.
    std::int64_t packetDts() const { return dts; }
    // Decodes the last packet (when it is audio) and passes its samples on. A decoder
    // error drops the rest of the packet. False when the sink asked to stop.
    bool decodePacket(const Sink& sink);
    // Passes on what the decoder and the converter still hold at the end of the range.
    bool drain(const Sink& sink);
    // Releases the last packet before the next read.
    void releasePacket();

private:
    struct FormatCloser {
        void operator()(AVFormatContext* f) const;
    };
    struct CodecFreer {
        void operator()(AVCodecContext* c) const;
    };
    struct PacketFreer {
        void operator()(AVPacket* p) const;
    };
    struct FrameFreer {
        void operator()(AVFrame* f) const;
    };
    struct SwrFreer {
        void operator()(SwrContext* s) const;
    };

    bool receiveFrames(const Sink& sink);
    bool convertFrame(const Sink& sink);
    bool flushConverter(const Sink& sink);
    bool ensureConverter();
    bool pass(const Sink& sink, std::size_t frames);
    bool passSilence(const Sink& sink);

    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVCodecContext, CodecFreer> codec;
    std::unique_ptr<AVPacket, PacketFreer> packet;
    std::unique_ptr<AVFrame, FrameFreer> frame;
    std::unique_ptr<SwrContext, SwrFreer> swr;
    int streams = 0;
    int audioIndex = -1;
    int videoIndex = -1;
    double duration = -1;
    int tbNum = 0;
    int tbDen = 0;
    int rate = 0;
    int channelCount = 0;
    std::int64_t origin = 0;
    std::int64_t dts = kNoTimestamp;
    std::int64_t trimBefore = kNoTimestamp;
    // Where the next decoded frame should start (after opening or a seek), else none.
    std::int64_t expected = kNoTimestamp;
    // Input layout the converter was set up for: rate, format, channel count.
    int swrRate = 0;
    int swrFormat = -1;
    int swrChannels = 0;
    std::vector<std::int16_t> buffer;
};
