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
        const NextPacket next = nextPacket(*queue, codec, packet.get(), stopped, paused, *flags);
        if (next == NextPacket::Retry)
            continue;
        if (next == NextPacket::Finished) {
            if (!stopped)
                drain(frame.get());
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
            present(frame.get());
            av_frame_unref(frame.get());
        }
    }
    flags->videoRunning = false;
}

void videoThread::drain(AVFrame* frame)
{
    if (!codec || avcodec_send_packet(codec, nullptr) < 0)
        return;
    while (!stopped && avcodec_receive_frame(codec, frame) == 0) {
        present(frame);
        av_frame_unref(frame);
    }
}

void videoThread::present(AVFrame* frame)
{
    int64_t stamp = frame->best_effort_timestamp;
    if (stamp == AV_NOPTS_VALUE)
        stamp = frame->pkt_dts;
    if (stamp == AV_NOPTS_VALUE)
        stamp = 0;
    double t = ffmpeg::toSeconds(stamp, tb);
    if (t != 0)
        clock = t;
    else
        t = clock;
    clock = t + frameDelay + 0.5 * frameDelay * frame->repeat_pict;

    scaler.reset(sws_getCachedContext(
        scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format), kWidth,
        kHeight, AV_PIX_FMT_RGBA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler || !picture.allocated)
        return;
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, picture.data,
              picture.linesize);
    picture.time = t;
    const int64_t drop = dropThreshold;
    if (display && (drop < 0 || t >= ffmpeg::toSeconds(drop, tb)))
        display->pushFrame(&picture);
}
