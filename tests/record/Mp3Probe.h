#pragma once
// Mp3Probe: decodes a recording with FFmpeg, as every player of the recordings would, and
// measures what the recorder tests check: length, dominant frequency and level.
#include <QString>
#include <vector>

struct DecodedAudio {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    // Interleaved samples, full scale 1.0.
    std::vector<float> samples;
    // Encoder delay and padding the stream's tag frame announces (0 when it has none).
    int tagDelay = 0;
    int tagPadding = 0;

    long long frames() const { return channels ? (long long)(samples.size()) / channels : 0; }
    double seconds() const { return rate ? double(frames()) / rate : 0.0; }
    // One channel of the frames [first, first + count).
    std::vector<float> channel(int index, long long first = 0, long long count = -1) const;
};

namespace mp3probe {
// Decodes the whole file to interleaved float samples at its own rate.
DecodedAudio decode(const QString& path);
// The frequency in [low, high] Hz (1 Hz steps) with the strongest component in `samples`.
int dominantFrequency(const std::vector<float>& samples, int rate, int low, int high);
// Root mean square of `samples`.
double rms(const std::vector<float>& samples);
}  // namespace mp3probe
