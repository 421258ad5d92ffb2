#pragma once
// videoThread: decodes one channel's video packets, scales each picture to 512 x 256 RGBA and
// hands it to the channel's VideoDev, which may hold the thread while its ring is full.
//
// Created and stopped by the channel's parseThread in the GUI thread; run() is the only code
// on its own thread. The engine writes the command fields (pause, stop, drop threshold); the
// thread writes the clock. All of them are atomic. The decoder context belongs to the
// parseThread; only this thread uses it while it runs. The scaler is the thread's own.
#include "FFmpegHandles.h"
#include "FramePicture.h"

#include <QThread>
#include <atomic>
#include <cstdint>

class PacketQueue;
class VideoDev;
struct ChannelFlags;

class videoThread : public QThread {
    Q_OBJECT
public:
    static constexpr int kWidth = 512;
    static constexpr int kHeight = 256;

    videoThread(PacketQueue* queue, AVCodecContext* codec, int streamIndex, VideoDev* display,
                AVRational timeBase, AVRational frameRate, ChannelFlags* flags,
                QObject* parent = nullptr);
    ~videoThread() override;

    AVRational timeBase() const { return tb; }

    // Commands: pictures before the threshold (video timestamps, -1 = none) are not shown.
    // The engine sets it on a seek; the audio thread sets it to the loop's start when it
    // goes back there.
    std::atomic<int64_t> dropThreshold{-1};
    // While a loop plays (video timestamp of its end, -1 = none): pictures from its end on are
    // not shown, and the thread waits there (or at the end of the stream) for the return to
    // the loop's start rather than running on past the sentence.
    std::atomic<int64_t> loopEnd{-1};
    std::atomic<bool> paused{false};
    std::atomic<bool> stopped{false};
    // Seconds of the next expected picture.
    std::atomic<double> clock{0};

protected:
    void run() override;

private:
    // At the end of the stream: take the pictures or samples the decoder still holds.
    void drain(AVFrame* frame);
    // Scale and hand over the picture; false when it lies at or past the loop's end.
    bool present(AVFrame* frame);
    // Past the loop's end: wait until a seek was asked for since the last packet was taken
    // (the audio thread's return to the start), the loop ends or the audio has ended.
    void holdForReturn();
    bool looping() const { return loopEnd >= 0; }

    PacketQueue* queue;
    AVCodecContext* codec;
    int stream;
    VideoDev* display;
    AVRational tb;
    double frameDelay;
    ChannelFlags* flags;
    ffmpeg::ScalerPtr scaler;
    FramePicture picture;
    uint32_t generation = 0;  // the seek count when the packet being decoded was taken
};
