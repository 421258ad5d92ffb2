#pragma once
// parseThread: one channel of the MediaEngine. It opens the media file, owns the decoders,
// the two packet queues and the channel's audioThread and videoThread, and its run() reads
// packets, routes them to the queues, carries out seeks and notices the end of the file.
//
// Created, opened, stopped, closed and deleted by the engine in the GUI thread; run() is the
// only code on its own thread. The engine writes the command fields (pause, stop, pending
// seek, bounds); run() reads them. The format context is used by run() while it runs and
// by the GUI thread only before start and after stop.
#include "ChannelFlags.h"
#include "FFmpegHandles.h"
#include "PacketQueue.h"

#include <QByteArray>
#include <QThread>
#include <atomic>
#include <cstdint>

class AudioDev;
class VideoDev;
class audioThread;
class videoThread;

class parseThread : public QThread {
    Q_OBJECT
public:
    // Queues stop taking packets from the file while either holds more than this.
    static constexpr int kQueueLimit = 1310720;
    // Consecutive read failures (other than the end of the file) taken as its end.
    static constexpr int kReadFailureLimit = 50;

    explicit parseThread(QObject* parent = nullptr);
    ~parseThread() override;

    void setDevices(AudioDev* audio, VideoDev* video);
    // Open the file, choose the first audio and first video stream, open their decoders,
    // the audio device and the display, and create the decoding threads. False when the
    // file does not open; the channel then has no streams.
    bool openFile(const QByteArray& utf8Path);
    // Stop all three threads, wait for them and delete the decoding threads (GUI thread).
    void stop();
    // Close the decoders and the file; run() must have ended.
    void close();

    bool isOpen() const { return format != nullptr; }
    // Container duration in seconds, -1 when unknown or not open.
    double duration() const;
    // Time base of the video stream when there is one, else of the audio stream.
    AVRational referenceTimeBase() const { return referenceTb; }
    // The channel's times are the file's own: seconds from the file's start (the container's
    // start time, which leaves out an MP3 encoder's delay). Seconds to a timestamp of time
    // base `tb` (-1 for negative seconds) and back.
    int64_t stampOf(double seconds, AVRational tb) const;
    double secondsOf(int64_t stamp, AVRational tb) const;
    audioThread* audio() const { return audioWorker; }
    videoThread* video() const { return videoWorker; }
    VideoDev* display() const { return videoDev; }
    AudioDev* device() const { return audioDev; }

    // Ask for a seek to this reference timestamp; -1 cancels one not yet carried out. The
    // caller holds seekLock() while it asks and sets the decoding threads' thresholds.
    void setPendingSeek(int64_t target)
    {
        if (target >= 0)
            ++flags.seeks;
        flags.pendingSeek = target;
    }

    std::mutex& seekLock() { return flags.seekLock; }

    // Commands, in reference timestamps (-1 = none).
    std::atomic<int64_t> startBound{-1};
    std::atomic<int64_t> endBound{-1};
    std::atomic<bool> paused{false};
    std::atomic<bool> stopped{false};

Q_SIGNALS:
    void sigMarkIn();
    void sigMarkOut();
    // The channel has ended (both decoding threads ran dry, or it was stopped). Emitted at
    // most once in the thread's life.
    void sigThreadDone();

protected:
    void run() override;

private:
    void openAudio(int index);
    void openVideo(int index);
    void seekTo(int64_t target, int flags);
    void readOne(AVPacket* packet);
    void finish();

    PacketQueue audioQueue;
    PacketQueue videoQueue;
    ChannelFlags flags;
    ffmpeg::FormatPtr format;
    ffmpeg::CodecPtr audioCodec;
    ffmpeg::CodecPtr videoCodec;
    int audioStream = -1;
    int videoStream = -1;
    AVRational referenceTb{1, 1000000};
    int64_t startMicroseconds = 0;  // the file's start, in AV_TIME_BASE units
    int64_t lastDts = -1;
    int readFailures = 0;
    std::atomic<bool> reported{false};
    AudioDev* audioDev = nullptr;
    VideoDev* videoDev = nullptr;
    audioThread* audioWorker = nullptr;
    videoThread* videoWorker = nullptr;
};
