#include "IAudio.h"

IAudio::IAudio() = default;
IAudio::~IAudio() = default;

void IAudio::setDevice(const QAudioDevice& dev) { device = dev; }

int IAudio::writeSamples(char*, int length) { return length; }

bool IAudio::openOutput(int, int, int) { return !device.isNull(); }

void IAudio::closeOutput() {}

void IAudio::setVolume(float volume)
{
    leftGain = volume;
    rightGain = volume;
}
