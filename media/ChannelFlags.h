#pragma once
// ChannelFlags: the state one channel's demux thread shares with its two decoding threads.
// audioRunning / videoRunning are set by the demux thread before it starts a decoding thread
// and cleared by that thread as it ends; reading and refilling are written by the demux
// thread and polled by the decoding threads; the pending seek is set by the engine and
// cleared by the demux thread once it has carried the seek out.
#include <atomic>
#include <cstdint>
#include <mutex>

// After a seek, packets this long before the target are still decoded, so the decoder has the
// history the target's frame leans on (MP3's bit reservoir, the overlap of AAC and Vorbis
// windows) when the demuxer landed early; what lies before the target is decoded and thrown
// away, sample by sample.
constexpr double kSeekPreRollSeconds = 0.2;

struct ChannelFlags {
    std::atomic<bool> audioRunning{false};
    std::atomic<bool> videoRunning{false};
    std::atomic<bool> reading{false};      // the demuxer has not met the end of the file
    std::atomic<bool> refilling{false};    // a seek was made and no queue has had data since
    std::atomic<int64_t> pendingSeek{-1};  // reference timestamp, -1 = none
    // Seeks asked for so far: a decoding thread drops what it took before the latest one,
    // even when the demux thread has carried that seek out already.
    std::atomic<uint32_t> seeks{0};
    // Held while a seek is asked for (the engine in the GUI thread, or the audio thread
    // going back to the start of a loop), so the seek count, the pending seek and the drop
    // thresholds always belong to the same request.
    std::mutex seekLock;

    // No more packets will come: the file is read to its end and no seek is under way or
    // waiting. The demux thread sets refilling before it clears the pending seek, so the
    // fields are read in the opposite order.
    bool dry() const { return pendingSeek < 0 && !refilling && !reading; }
};
