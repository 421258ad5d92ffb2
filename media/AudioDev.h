#pragma once
// AudioDev: the audio output a channel writes its PCM into. Opened from the GUI thread,
// written from the channel's audio thread; implementations guard their own output.

class AudioDev {
public:
    // Offer `length` bytes of interleaved signed 16-bit PCM; returns the bytes taken.
    // The implementation may change the bytes in place (gain).
    virtual int writeSamples(char* data, int length) = 0;
    // Make the output ready for this format (sample size in bits).
    virtual bool openOutput(int sampleRate, int sampleSize, int channels) = 0;
    virtual void closeOutput() = 0;
    // Throw away what was written and not yet played, so a seek or a pause is heard at once
    // (GUI thread).
    virtual void discard() = 0;
    virtual void setVolume(float volume) = 0;
    // The format the output actually opened, which may differ from the one asked for when
    // the device refused that: sample rate and channel count, 0 while closed (any thread).
    virtual int outputRate() const = 0;
    virtual int outputChannels() const = 0;
    // Seconds of what was written that the output has not played yet (any thread).
    virtual double bufferedSeconds() const = 0;

    // Public and virtual: the creator of a channel deletes its device through this type
    // once the channel has stopped.
    virtual ~AudioDev() = default;
};
