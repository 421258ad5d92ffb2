#pragma once
// ContourAlign: dynamic time warping of a learner's contour onto a model's. Each frame is
// compared by pitch (semitones relative to each speaker's median) and by energy; the path
// runs from both first frames to both last ones in steps of one frame on either side or
// both, and stays within a band around the diagonal of the two lengths, so a long recording
// against a short sentence costs length x band, not length x length. Plain functions, any
// thread.
#include "PitchContour.h"

#include <vector>

struct AlignStep {
    int model = 0;
    int learner = 0;
    friend bool operator==(const AlignStep&, const AlignStep&) = default;
};

// Local cost of matching two frames, 0 (alike) to 2: the pitch gap (capped at
// kPitchCap semitones, scaled to 0..1; 0.5 when only one frame is voiced; 0 when neither
// is) plus the energy gap.
float frameDistance(const ContourFrame& model, const ContourFrame& learner);
constexpr float kPitchCap = 6;

// The cheapest path; empty when either side has no frames. For learner frame j the model
// frames allowed lie within `band` frames of j's place on the diagonal, (j x (N-1) / (M-1)).
std::vector<AlignStep> alignContours(const std::vector<ContourFrame>& model,
                                     const std::vector<ContourFrame>& learner, int band);
