#pragma once
// PitchOverlay: two pitch contours to lay over a waveform row, the model's and the learner's
// aligned onto it, one value per equal share of the row's width (semitones relative to each
// speaker's own median; NaN where there is no voiced sound). A plain value.
#include <vector>

struct PitchOverlay {
    std::vector<float> model;
    std::vector<float> learner;

    bool empty() const { return model.empty() && learner.empty(); }
};
