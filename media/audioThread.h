#pragma once
// audioThread: decodes one channel's audio packets to interleaved signed 16-bit PCM in the
// format the channel's AudioDev opened (the stream's own rate and channel count unless the
// device refused them), writes it to the device, keeps the audio clock and reports
// crossings of the in and out marks.
//
// Created and stopped by the channel's parseThread in the GUI thread; run() is the only code
// on its own thread. The engine (GUI thread) writes the command fields (pause, stop, drop
// threshold, end bound, marks); the thread writes the clock. All of them are atomic.
// The decoder context belongs to the parseThread; only this thread uses it while it runs.
#include "FFmpegHandles.h"

#include <QThread>
#include <atomic>
#include <cstdint>
#include <vector>

class AudioDev;
class PacketQueue;
struct ChannelFlags;

class audioThread : public QThread {
    Q_OBJECT
public:
    audioThread(PacketQueue* queue, AVCodecContext* codec, int streamIndex, AudioDev* device,
                AVRational timeBase, ChannelFlags* flags, QObject* parent = nullptr);
    ~audioThread() override;

    AVRational timeBase() const { return tb; }

    // Commands, in audio stream timestamps (-1 = none).
    std::atomic<int64_t> dropThreshold{-1};
    std::atomic<int64_t> endBound{-1};
    std::atomic<int64_t> markIn{-1};
    std::atomic<int64_t> markOut{-1};
    std::atomic<bool> paused{false};
    std::atomic<bool> stopped{false};
    // Where what has been written to the device ends, in seconds of the file's own time
    // (from the file's start, an encoder's delay left out).
    std::atomic<double> clock{0};
    // The last seek's target: nothing before it is heard any more (GUI thread).
    std::atomic<double> landed{0};
    // The file's start in this stream's time base; set before the thread starts.
    void setOrigin(int64_t stamp) { origin = stamp; }

Q_SIGNALS:
    void sigMarkIn();
    void sigMarkOut();

protected:
    void run() override;

private:
    // At the end of the stream: take the pictures or samples the decoder still holds.
    void drain(AVFrame* frame);
    bool decodePacket(AVPacket* packet, AVFrame* frame);
    bool writeFrame(const AVFrame* frame);
    // Samples at the frame's start that lie before the seek target.
    int samplesBeforeTarget(const AVFrame* frame);
    bool writeAll(uint8_t* data, int length);
    bool prepareResampler(const AVFrame* frame, int outRate, int outChannels);

    PacketQueue* queue;
    AVCodecContext* codec;
    int stream;
    AudioDev* device;
    AVRational tb;
    ChannelFlags* flags;
    // Conversion to interleaved 16-bit, rebuilt when the decoded format changes.
    ffmpeg::ResamplerPtr swr;
    int swrFormat = -1;
    int swrRate = 0;
    int swrChannels = 0;
    int swrOutRate = 0;
    int swrOutChannels = 0;
    std::vector<uint8_t> pcm;
    int64_t origin = 0;
    // The frame being written: where it starts (own time, seconds) and its bytes a second.
    double frameStart = 0;
    double nextStart = 0;    // where the frame after this one starts (own time, seconds)
    double trimTarget = -1;  // after a seek: samples before this moment are not written
    bool resync = true;
    uint32_t generation = 0;  // the seek count when the packet being decoded was taken      // take
                              // the next frame's own time (at the start, after a seek)
    double bytesPerSecond = 0;
};
