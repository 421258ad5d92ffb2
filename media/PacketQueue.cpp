#include "PacketQueue.h"

#include "ChannelFlags.h"
#include "FFmpegHandles.h"

#include <QThread>
#include <QtGlobal>

namespace {
// The flush marker's payload. A packet whose data points here is the marker.
uint8_t flushByte = 'F';
}  // namespace

PacketQueue::PacketQueue() = default;

PacketQueue::~PacketQueue()
{
    std::unique_lock lock(mutex);
    clearLocked();
}

bool PacketQueue::isFlush(const AVPacket* packet) { return packet && packet->data == &flushByte; }

bool PacketQueue::put(const AVPacket* packet)
{
    ffmpeg::PacketPtr copy(av_packet_alloc());
    if (!copy)
        return false;
    if (isFlush(packet)) {
        copy->data = &flushByte;
        copy->size = 0;
    } else if (av_packet_ref(copy.get(), packet) < 0) {
        return false;
    }
    std::unique_lock lock(mutex);
    bytes += copy->size;
    packets.push_back(copy.release());
    cond.notify_all();
    return true;
}

bool PacketQueue::get(AVPacket* out, bool block)
{
    std::unique_lock lock(mutex);
    while (packets.empty()) {
        if (!block)
            return false;
        cond.wait(lock);
    }
    ffmpeg::PacketPtr head(packets.front());
    packets.pop_front();
    bytes -= head->size;
    av_packet_unref(out);
    av_packet_move_ref(out, head.get());
    return true;
}

bool PacketQueue::putFlushMarker()
{
    AVPacket marker{};
    marker.data = &flushByte;
    return put(&marker);
}

void PacketQueue::flush()
{
    {
        std::unique_lock lock(mutex);
        clearLocked();
    }
    if (!putFlushMarker())
        qWarning("Couldn't queue flush packet.");
}

int PacketQueue::size() const
{
    std::unique_lock lock(mutex);
    return bytes;
}

int PacketQueue::count() const
{
    std::unique_lock lock(mutex);
    return int(packets.size());
}

void PacketQueue::clearLocked()
{
    for (AVPacket* p : packets) {
        if (isFlush(p)) {
            // The marker's data is not reference-counted: forget it before freeing.
            p->data = nullptr;
        }
        av_packet_free(&p);
    }
    packets.clear();
    bytes = 0;
}

bool PacketQueue::take(AVPacket* out, const std::atomic<bool>& stopped, const ChannelFlags& flags)
{
    while (!get(out, false)) {
        if (stopped)
            return false;
        if (flags.dry())
            return get(out, false);
        QThread::msleep(10);
    }
    return true;
}
