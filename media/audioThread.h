#pragma once
// audioThread: decodes one channel's audio packets to interleaved signed 16-bit PCM in the
// format the channel's AudioDev opened (the stream's own rate and channel count unless the
// device refused them), writes it to the device, keeps the audio clock and reports
// crossings of the in and out marks.
//
// Created and stopped by the channel's parseThread in the GUI thread; run() is the only code
// on its own thread. The engine (GUI thread) writes the command fields (pause, stop, drop
// threshold, end bound, marks); the thread writes the clock. All of them are atomic, except
// the loop range, which is under its own mutex.
//
// A loop range makes the thread write up to the range's end sample, then ask for a seek back
// to its start itself (the same exact-sample seek as the engine's, without emptying the
// output) and go on: the passes follow each other without a gap or a sample of what lies
// around them.
//
// A speed other than 1 runs the converted samples through a TimeStretch before the device:
// the clock stays in the file's own time (what the output so far stands for), and the
// thread notes the pace of everything it wrote, so what the output still holds can be
// turned back into the file's time. At speed 1 the stretcher is left out (the samples are
// those of the plain path), except that one already running goes on until the next seek or
// loop pass, so a return to 1 has no seam.
// The decoder context belongs to the parseThread; only this thread uses it while it runs.
#include "FFmpegHandles.h"

#include <QThread>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class AudioDev;
class PacketQueue;
class TimeStretch;
struct ChannelFlags;

class audioThread : public QThread {
    Q_OBJECT
public:
    audioThread(PacketQueue* queue, AVCodecContext* codec, int streamIndex, AudioDev* device,
                AVRational timeBase, ChannelFlags* flags, QObject* parent = nullptr);
    ~audioThread() override;

    AVRational timeBase() const { return tb; }

    // A range played over and over: start and end in seconds of the file's own time, with the start
    // as a reference timestamp (for the demux thread's seek) and as an audio and a video stream
    // timestamp (the drop thresholds; the video one -1 without video). start -1: no loop.
    struct LoopRange {
        double start = -1;
        double end = -1;
        int64_t seekStamp = -1;
        int64_t dropStamp = -1;
        int64_t videoDropStamp = -1;
        bool active() const { return start >= 0; }
    };
    void setLoop(const LoopRange& range);
    LoopRange loop() const;

    // Commands, in audio stream timestamps (-1 = none).
    std::atomic<int64_t> dropThreshold{-1};
    std::atomic<int64_t> endBound{-1};
    std::atomic<int64_t> markIn{-1};
    std::atomic<int64_t> markOut{-1};
    std::atomic<bool> paused{false};
    std::atomic<bool> stopped{false};
    // Pace of the material (1 = its own; see playspeed), taken up at the next samples.
    std::atomic<double> speed{1.0};
    // Where what has been written to the device ends, in seconds of the file's own time
    // (from the file's start, an encoder's delay left out).
    std::atomic<double> clock{0};
    // The last seek's target: nothing before it is heard any more (written by the GUI thread
    // on a seek and by this thread when a loop goes back to its start).
    std::atomic<double> landed{0};
    // The last return to a loop's start: where the pass written before it ended and where
    // the next one starts (own time, seconds); wrapTo -1 when there was none since the last
    // seek. What the output still holds of the pass before is heard before wrapTo.
    std::atomic<double> wrapFrom{-1};
    std::atomic<double> wrapTo{-1};
    // Odd while a write to the device is under way: the device may then hold bytes the clock
    // does not count yet. heardBefore is the clock less what the device held as the write
    // began, which the engine reports meanwhile.
    std::atomic<uint32_t> writes{0};
    std::atomic<double> heardBefore{0};
    // The file's start in this stream's time base; set before the thread starts.
    void setOrigin(int64_t stamp) { origin = stamp; }
    // The channel's video thread's drop threshold (not owned), set on each return to the
    // loop's start like a seek sets it; set before the thread starts, null without video.
    void setVideoThreshold(std::atomic<int64_t>* threshold) { videoThreshold = threshold; }

    // Of the last `held` seconds written to the device (what it has not played yet): the
    // seconds of the file's own time they stand for, and the pace of the first of them,
    // the one being heard (any thread).
    double materialHeld(double held) const;
    double heardSpeed(double held) const;

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
    // Write `samples` of the frame's samples from `skip` on, converted to the device's format.
    bool writeSamples(const AVFrame* frame, int skip, int samples);
    // Samples at the frame's start that lie before the seek target.
    int samplesBeforeTarget(const AVFrame* frame);
    // Write `length` bytes that stand for the file's time from `from` on at `pace`.
    bool writeAll(uint8_t* data, int length, double from, double pace);
    // Converted samples on their way to the device: straight, or through the stretcher.
    bool deliver(uint8_t* data, int frames, int rate, int channels);
    bool deliverStretched(uint8_t* data, int frames, int rate, int channels, double pace);
    // Bring out and write what the stretcher still holds (at a loop's end, the stream's end).
    bool finishStretch();
    // Keep the last samples written straight: the lead of a stretch begun while playing.
    void keepRecent(const uint8_t* data, int frames, int channels);
    void noteOutput(double seconds, double pace);
    // At the loop's end: ask for the seek back to its start, unless a seek was asked for
    // since the packet being decoded was taken (that one wins).
    void wrap(const LoopRange& range);
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
    std::atomic<int64_t>* videoThreshold = nullptr;
    // The frame being written: where it starts (own time, seconds) and its bytes a second.
    double frameStart = 0;
    double nextStart = 0;     // where the frame after this one starts (own time, seconds)
    double trimTarget = -1;   // after a seek: samples before this moment are not written
    bool resync = true;       // take the next frame's own time (at the start, after a seek)
    uint32_t generation = 0;  // the seek count when the packet being decoded was taken
    bool wrapped = false;     // the loop's end was written: the rest of the packet is not
    double bytesPerSecond = 0;
    mutable std::mutex loopMutex;
    LoopRange range;
    // Stretching: the stretcher (kept across passes while its format holds), whether the
    // current stream runs through it, where that stream starts (own time, seconds), its
    // output, and the samples last written straight.
    std::unique_ptr<TimeStretch> stretch;
    bool stretching = false;
    double stretchStart = 0;
    std::vector<int16_t> stretched;
    std::vector<int16_t> recent;
    // What was written to the device: its length in seconds and the pace of each stretch
    // of it (where it began, in written seconds), under the mutex; the oldest are let go.
    struct Pace {
        double from;
        double pace;
    };
    mutable std::mutex outputMutex;
    double outputEnd = 0;
    std::vector<Pace> paces;
};
