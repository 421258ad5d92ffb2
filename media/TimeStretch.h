#pragma once
// TimeStretch: plays interleaved signed 16-bit PCM faster or slower without changing its
// pitch, on Rubber Band's R3 ("finer") engine in real-time mode. The library stays behind
// this header.
//
// Owned and used by one channel's audio thread only. It keeps the bookkeeping that ties
// what comes out to the material fed in: each output frame stands for `speed` material
// frames, and materialOut() tells how many material frames the output so far stands for,
// so what is still inside the stretcher never counts as heard.
//
// Sound whose channels are all the same (mono material stored as stereo) is stretched as
// one channel and copied to the others, for half the work and the very samples a one-channel
// stretcher gives. Each stream starts that way when its lead allows; the first block whose
// channels differ hands the stream to a stretcher of all the channels, which takes over from
// the material heard so far (fed again from what is kept) and fades in like a stream begun
// while playing, so the switch leaves no gap in the material and no step in the sound.
#include <cstdint>
#include <memory>
#include <vector>

class TimeStretch {
public:
    TimeStretch(int rate, int channels, double speed);
    ~TimeStretch();
    TimeStretch(const TimeStretch&) = delete;
    TimeStretch& operator=(const TimeStretch&) = delete;

    int rate() const { return sampleRate; }
    int channels() const { return channelCount; }
    double speed() const { return pace; }
    // Material pace of what is fed from now on (1 = its own pace).
    void setSpeed(double speed);

    // Begin a fresh stream. `lead` holds the material just before what will be fed next (up
    // to leadFrames() frames; none after a seek): it stands in for the silence the
    // stretcher wants ahead of its input, and the stretched sound fades in over a few
    // milliseconds from the material at its own pace, so a stream begun in the middle of
    // playing goes on without a step. Without a lead, the first frames fed, mirrored, stand
    // in for it: the stream starts at full strength rather than fading in. The output begins
    // aligned with the next frame fed.
    void restart(const int16_t* lead, int frames);
    // Frames of material restart() can use ahead of the stream.
    static int leadFrames();
    // Stretch `frames` frames and append what comes out to `out`.
    void feed(const int16_t* in, int frames, std::vector<int16_t>* out);
    // Bring out the rest of what was fed: the last frames fed, mirrored, go in behind it (so
    // its end keeps its strength) and the output is cut where the material fed ends, so
    // nothing after it is heard and nothing of it is lost. The stretcher then needs a
    // restart.
    void finish(std::vector<int16_t>* out);

    // Material frames the output since the restart stands for.
    double materialOut() const { return outFrames; }
    // Whether the stream is stretched as one channel copied to the others.
    bool folded() const { return oneForAll; }

private:
    struct Engine;
    void process(const int16_t* in, int frames, std::vector<int16_t>* out, double limit);
    void retrieve(std::vector<int16_t>* out, double limit);
    // The frames fed to the stretcher: the first ones give a missing lead, the last ones the
    // tail fed behind the material when finishing.
    void keepFed(const int16_t* in, int frames);
    void leadFromInput(const int16_t* in, int frames);
    void pad(const int16_t* lead, int frames);
    float blended(float wet, int channel) const;
    bool sameChannels(const int16_t* in, int frames) const;
    // A stretcher of `stretched` channels in place of the current one.
    void useEngine(int stretched);
    // Hand the stream, from the material heard so far, to a stretcher of all the channels.
    void unfold(std::vector<int16_t>* out);

    std::unique_ptr<Engine> engine;
    std::unique_ptr<Engine> spare;  // the other kind, kept for the next switch
    int sampleRate;
    int channelCount;
    double pace;
    int64_t fedFrames = 0;
    double outFrames = 0;
    int64_t dropFrames = 0;  // output frames still to throw away: the stretcher's start delay
    bool leadMissing = false;
    bool oneForAll = false;         // one channel stretched and copied to the others
    bool blending = false;          // a stream begun while playing: it fades in from `dry`
    int64_t emitted = 0;            // output frames since the restart
    std::vector<int16_t> dry;       // the first frames fed, interleaved
    std::vector<int16_t> fed;       // the last frames fed, interleaved
    std::vector<int16_t> mirror;    // a lead or tail being built
    std::vector<int16_t> leadKept;  // the lead of the stream, interleaved
};
