#pragma once
// PitchContour: the melody and loudness of one stretch of speech, one frame per 10 ms. Pitch
// is given in semitones relative to the speaker's own median pitch, so a low voice and a
// high one saying the same tune have the same contour; frames without a clear pitch (silence,
// consonants, noise) are unvoiced. Energy is the frame's loudness in 0..1 relative to the
// loudest frame. A plain value; extractContour() runs in whichever thread calls it (the
// contour worker) and keeps no state between calls.
#include <cmath>
#include <cstddef>
#include <vector>

struct ContourFrame {
    // Semitones above (below, when negative) the speaker's median pitch; NaN when unvoiced.
    float semitones = NAN;
    // Loudness in 0..1: 1 is the loudest frame, 0 is kEnergyRange dB below it or quieter.
    float energy = 0;

    bool voiced() const { return !std::isnan(semitones); }
};

struct PitchContour {
    // One frame every kHopSeconds of sound.
    static constexpr double kHopSeconds = 0.01;
    // The span of loudness below the loudest frame that energy maps onto 1..0, in dB.
    static constexpr float kEnergyRange = 40;
    // Pitches taken for a speaking voice, from a low man's to a child's; any other is unvoiced.
    static constexpr float kLowestHz = 60;
    static constexpr float kHighestHz = 600;

    std::vector<ContourFrame> frames;
    // The speaker's median pitch in Hz, 0 when nothing is voiced.
    float medianHz = 0;

    std::size_t voicedCount() const;
    bool hasVoice() const { return voicedCount() != 0; }
};

// Pitch (aubio's YIN-FFT detector, its confident frames only) and energy of `count` mono
// samples at `sampleRate`, one frame per 10 ms. Unvoiced frames are those below the
// detector's confidence threshold, outside the range of a speaking voice, too quiet, or
// voiced for too short a run to be a syllable.
PitchContour extractContour(const float* samples, std::size_t count, int sampleRate);
