#pragma once
// PacketQueue: compressed packets from a channel's demux thread (put, flush) to one decoding
// thread (get). Every operation takes the queue's own mutex; puts wake blocked readers.
//
// The flush marker is one packet shared by the process (its data points at a static byte);
// flush() empties the queue and appends it so the decoding thread flushes its decoder.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

struct AVPacket;
struct ChannelFlags;

class PacketQueue {
public:
    PacketQueue();
    ~PacketQueue();
    PacketQueue(const PacketQueue&) = delete;
    PacketQueue& operator=(const PacketQueue&) = delete;

    // True when `packet` is the flush marker.
    static bool isFlush(const AVPacket* packet);

    // Queue a reference to the packet's data (the caller keeps its own reference).
    // False when the data could not be referenced.
    bool put(const AVPacket* packet);
    // Move the head packet into `out` (the caller then owns it). Without `block`, false when
    // empty; with it, wait until a packet arrives.
    bool get(AVPacket* out, bool block);
    // For a decoding thread: wait for the head packet, looking every 10 ms, until `stopped`
    // is set (false) or the channel has run dry; a packet put just before that was noticed
    // is still taken.
    bool take(AVPacket* out, const std::atomic<bool>& stopped, const ChannelFlags& flags);
    // Drop every queued packet and append the flush marker.
    void flush();
    // Payload bytes and packets queued.
    int size() const;
    int count() const;

private:
    bool putFlushMarker();
    void clearLocked();

    // Standard primitives rather than Qt's, so thread checkers see every lock and wait.
    mutable std::mutex mutex;
    std::condition_variable cond;
    std::deque<AVPacket*> packets;
    int bytes = 0;
};
