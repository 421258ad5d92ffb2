#pragma once
// One step of a decoding thread's loop, shared by the audio and the video thread (and run in
// that thread): wait out a pause or a pending seek, take the next packet, flush the decoder at
// the flush marker.
#include <atomic>

struct AVCodecContext;
struct AVPacket;
struct ChannelFlags;
class PacketQueue;

enum class NextPacket {
    Ready,     // `packet` holds a packet to decode
    Retry,     // nothing to decode yet (paused, seek pending, flush marker): step again
    Finished,  // stopped, or the stream has run dry (the decoder may still hold frames)
};

// `flushed`, when given, is set when the decoder was flushed at the flush marker.
NextPacket nextPacket(PacketQueue& queue, AVCodecContext* codec, AVPacket* packet,
                      const std::atomic<bool>& stopped, const std::atomic<bool>& paused,
                      const ChannelFlags& flags, bool* flushed = nullptr);
