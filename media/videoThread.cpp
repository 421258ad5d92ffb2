#include "videoThread.h"

#include "ChannelFlags.h"
#include "DecodeStep.h"
#include "PacketQueue.h"
#include "VideoDev.h"

videoThread::videoThread(PacketQueue* q, AVCodecContext* c, int streamIndex, VideoDev* d,
                         AVRational timeBase, AVRational frameRate, ChannelFlags* f,
                         QObject* parent)
    : QThread(parent), queue(q), codec(c), stream(streamIndex), display(d), tb(timeBase),
      frameDelay(frameRate.num > 0 && frameRate.den > 0 ? av_q2d(av_inv_q(frameRate)) : 0.04),
      flags(f)
{
}

videoThread::~videoThread()
{
    stopped = true;
    wait();
}

void videoThread::run()
{
    ffmpeg::PacketPtr packet(av_packet_alloc());
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!picture.allocated)
        picture.allocate(kWidth, kHeight, AV_PIX_FMT_RGBA);
    while (packet && frame) {
        generation = flags->seeks;
        const NextPacket next = nextPacket(*queue, codec, packet.get(), stopped, paused, *flags);
        if (next == NextPacket::Retry)
            continue;
        if (next == NextPacket::Finished) {
            if (!stopped)
                drain(frame.get());
            // A looping channel comes back to the loop's start: the stream goes on from there
            // after the decoder is flushed at the seek's marker.
            if (!stopped && looping() && flags->audioRunning) {
                holdForReturn();
                continue;
            }
            break;
        }
        if (packet->stream_index != stream || !codec) {
            av_packet_unref(packet.get());
            continue;
        }
        const int sent = avcodec_send_packet(codec, packet.get());
        av_packet_unref(packet.get());
        if (sent < 0)
            continue;
        while (!stopped && avcodec_receive_frame(codec, frame.get()) == 0) {
            const bool shown = present(frame.get());
            av_frame_unref(frame.get());
            if (!shown) {
                // What the decoder still holds lies past the loop's end too.
                holdForReturn();
                break;
            }
        }
    }
    flags->videoRunning = false;
}

void videoThread::holdForReturn()
{
    while (!stopped && looping() && flags->audioRunning && flags->seeks == generation)
        msleep(1);
    // The seek count moves first: once the lock is free, the pending seek it counts is set
    // too, so the next step waits for it rather than taking a packet from before it.
    const std::lock_guard lock(flags->seekLock);
}

void videoThread::drain(AVFrame* frame)
{
    if (!codec || avcodec_send_packet(codec, nullptr) < 0)
        return;
    while (!stopped && avcodec_receive_frame(codec, frame) == 0) {
        const bool shown = present(frame);
        av_frame_unref(frame);
        if (!shown)
            return;
    }
}

bool videoThread::present(AVFrame* frame)
{
    int64_t stamp = frame->best_effort_timestamp;
    if (stamp == AV_NOPTS_VALUE)
        stamp = frame->pkt_dts;
    // A picture without a time follows the one before; a picture at 0 (the file's first, met
    // again after a return to its start) keeps its own time.
    const double t = stamp == AV_NOPTS_VALUE ? clock.load() : ffmpeg::toSeconds(stamp, tb);
    clock = t + frameDelay + 0.5 * frameDelay * frame->repeat_pict;
    const int64_t end = loopEnd;
    if (end >= 0 && t >= ffmpeg::toSeconds(end, tb))
        return false;

    scaler.reset(sws_getCachedContext(
        scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format), kWidth,
        kHeight, AV_PIX_FMT_RGBA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler || !picture.allocated)
        return true;
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, picture.data,
              picture.linesize);
    picture.time = t;
    const int64_t drop = dropThreshold;
    if (display && (drop < 0 || t >= ffmpeg::toSeconds(drop, tb)))
        display->pushFrame(&picture);
    return true;
}
