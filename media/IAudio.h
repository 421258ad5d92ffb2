#pragma once
// IAudio: AudioDev on Qt Multimedia's QAudioSink in push mode, applying the channel's gain
// to the bytes it writes. openOutput and closeOutput run in the GUI thread, writeSamples in
// the channel's audio thread; the mutex lets only one of them run at a time, so a write never
// meets a half-built or deleted sink. The gains are atomics written by the GUI thread.
#include "AudioDev.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <atomic>
#include <memory>
#include <mutex>

class QAudioSink;
class QIODevice;

class IAudio : public AudioDev {
public:
    IAudio();
    ~IAudio() override;

    void setDevice(const QAudioDevice& device);
    int writeSamples(char* data, int length) override;
    bool openOutput(int sampleRate, int sampleSize, int channels) override;
    void closeOutput() override;
    void discard() override;
    void setVolume(float volume) override;
    double bufferedSeconds() const override;
    int outputRate() const override;
    int outputChannels() const override;

    // The format of the open output (the requested one or the device's in 16 bits).
    QAudioFormat currentFormat() const;
    bool isOpen() const;

    // Scale `length` bytes of samples in `format` in place: for two channels the first
    // sample of a frame by `left`, the second by `right`; otherwise every sample by `left`.
    // Products are truncated toward zero and held to the sample's range.
    static void applyGain(char* data, int length, const QAudioFormat& format, float left,
                          float right);

private:
    void closeLocked();

    QAudioDevice device;
    QAudioFormat format;
    std::unique_ptr<QAudioSink> sink;
    QIODevice* stream = nullptr;  // owned by the sink
    std::atomic<float> leftGain{0.5f};
    std::atomic<float> rightGain{0.5f};
    mutable std::mutex mutex;
};
