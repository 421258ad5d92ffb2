#pragma once
// ContourScore: how closely a learner's recording follows a model sentence in intonation
// and rhythm, from their pitch contours aligned by ContourAlign, with both contours laid on
// the model's time axis for drawing. Plain values and a function of them; any thread.
#include "PitchContour.h"

#include <vector>

struct ContourScore {
    // Whether each side holds voiced sound; without both there is no score.
    bool modelVoiced = false;
    bool learnerVoiced = false;
    // 0..100: agreement of the two pitch contours once aligned.
    int intonation = 0;
    // 0..100: how evenly the learner's timing follows the model's.
    int rhythm = 0;
    // The model's contour, one value per model frame (semitones, NaN when unvoiced), and the
    // learner's contour warped onto the same frames.
    std::vector<float> modelLine;
    std::vector<float> learnerLine;

    bool scored() const { return modelVoiced && learnerVoiced; }
};

ContourScore scoreContours(const PitchContour& model, const PitchContour& learner);
