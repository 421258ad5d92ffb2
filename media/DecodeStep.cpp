#include "DecodeStep.h"

#include "ChannelFlags.h"
#include "PacketQueue.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <QThread>

NextPacket nextPacket(PacketQueue& queue, AVCodecContext* codec, AVPacket* packet,
                      const std::atomic<bool>& stopped, const std::atomic<bool>& paused,
                      const ChannelFlags& flags, bool* flushed)
{
    if (stopped)
        return NextPacket::Finished;
    if (paused) {
        QThread::msleep(10);
        return NextPacket::Retry;
    }
    // What is queued now is thrown away by the coming seek: wait for it.
    if (flags.pendingSeek >= 0) {
        QThread::msleep(1);
        return NextPacket::Retry;
    }
    if (!queue.take(packet, stopped, flags))
        return NextPacket::Finished;
    if (PacketQueue::isFlush(packet)) {
        if (codec)
            avcodec_flush_buffers(codec);
        if (flushed)
            *flushed = true;
        av_packet_unref(packet);
        return NextPacket::Retry;
    }
    return NextPacket::Ready;
}
