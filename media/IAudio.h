#pragma once
// IAudio: AudioDev on Qt Multimedia's QAudioSink in push mode. Opened and closed from the
// GUI thread, written from a channel's audio thread; the mutex guards the sink.
//
// Minimal stand-in: it records the device and the volume and takes every byte offered.
#include "AudioDev.h"

#include <QAudioDevice>
#include <atomic>

class IAudio : public AudioDev {
public:
    IAudio();
    ~IAudio() override;

    void setDevice(const QAudioDevice& device);
    int writeSamples(char* data, int length) override;
    bool openOutput(int sampleRate, int sampleSize, int channels) override;
    void closeOutput() override;
    void setVolume(float volume) override;

private:
    QAudioDevice device;
    std::atomic<float> leftGain{0.5f};
    std::atomic<float> rightGain{0.5f};
};
