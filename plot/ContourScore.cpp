#include "ContourScore.h"

#include "ContourAlign.h"

#include <algorithm>
#include <cmath>

// The scores, each 0..100, rounded:
//
// Both contours are first cut to their speech: from the first to the last frame whose energy
// reaches kSpeechEnergy, so the silence before the learner starts speaking and after they
// stop counts for nothing. The learner's speech is aligned onto the model's (ContourAlign,
// band kBandShare of the model's speech, at least kMinBand frames); each model frame then
// takes the mean pitch of the voiced learner frames aligned to it ("warped" contour).
//
// Intonation ("语调"), over the model frames voiced in both contours (P pairs out of the
// model's V voiced frames):
//   gap       = mean |model - warped| in semitones (each relative to its own speaker's median)
//   closeness = clamp(1 - gap / kGapAtZero, 0, 1)
//   shape     = clamp(Pearson correlation of the pairs, 0, 1); a contour flatter than
//               kFlatDeviation semitones (standard deviation) has no shape to follow, and
//               shape = closeness then
//   coverage  = P / V, the share of the model's melody the learner voiced at all
//   intonation = 100 x sqrt(coverage) x (closeness + shape) / 2
//
// Rhythm ("节奏"), over the N model and M learner speech frames and the path's K steps
// (i, j):
//   stray     = mean over the path of |i / (N-1) - j / (M-1)|, how far the timing wanders from
//               an even stretch (0 for a recording that is the model played slower or faster)
//   even      = clamp(1 - stray / kStrayAtZero, 0, 1)
//   pace      = clamp(1 - |ln(M / N)| / ln(kRatioAtZero), 0, 1), the length ratio's share
//   rhythm    = 100 x even x pace
namespace {
constexpr float kSpeechEnergy = 0.25f;  // 30 dB below the loudest frame
constexpr double kBandShare = 0.25;
constexpr int kMinBand = 20;  // 200 ms
constexpr double kGapAtZero = 4.0;
constexpr double kFlatDeviation = 0.75;
constexpr double kStrayAtZero = 0.25;
constexpr double kRatioAtZero = 4.0;

struct Span {
    std::size_t first = 0;
    std::size_t end = 0;  // one past the last
    std::size_t size() const { return end - first; }
};

Span speechOf(const std::vector<ContourFrame>& frames)
{
    Span span;
    const auto loud = [](const ContourFrame& f) { return f.energy >= kSpeechEnergy; };
    const auto first = std::find_if(frames.begin(), frames.end(), loud);
    if (first == frames.end())
        return span;
    const auto last = std::find_if(frames.rbegin(), frames.rend(), loud);
    span.first = std::size_t(first - frames.begin());
    span.end = frames.size() - std::size_t(last - frames.rbegin());
    return span;
}

std::vector<ContourFrame> slice(const std::vector<ContourFrame>& frames, Span span)
{
    return {frames.begin() + std::ptrdiff_t(span.first), frames.begin() + std::ptrdiff_t(span.end)};
}

// The learner's pitch on the model's speech frames along the path.
std::vector<float> warp(const std::vector<AlignStep>& path,
                        const std::vector<ContourFrame>& learner, std::size_t modelFrames)
{
    std::vector<double> sum(modelFrames, 0.0);
    std::vector<int> count(modelFrames, 0);
    for (const AlignStep& step : path) {
        const ContourFrame& f = learner[std::size_t(step.learner)];
        if (f.voiced()) {
            sum[std::size_t(step.model)] += f.semitones;
            ++count[std::size_t(step.model)];
        }
    }
    std::vector<float> warped(modelFrames, NAN);
    for (std::size_t i = 0; i < modelFrames; ++i)
        if (count[i] > 0)
            warped[i] = float(sum[i] / count[i]);
    return warped;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b, double* flatness)
{
    const auto n = double(a.size());
    double ma = 0, mb = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        ma += a[k];
        mb += b[k];
    }
    ma /= n;
    mb /= n;
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        sab += (a[k] - ma) * (b[k] - mb);
        saa += (a[k] - ma) * (a[k] - ma);
        sbb += (b[k] - mb) * (b[k] - mb);
    }
    *flatness = std::sqrt(std::min(saa, sbb) / n);
    return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0.0;
}

int intonationOf(const std::vector<ContourFrame>& model, const std::vector<float>& warped)
{
    std::vector<double> a, b;
    std::size_t voiced = 0;
    double gap = 0;
    for (std::size_t i = 0; i < model.size(); ++i) {
        if (!model[i].voiced())
            continue;
        ++voiced;
        if (std::isnan(warped[i]))
            continue;
        a.push_back(model[i].semitones);
        b.push_back(warped[i]);
        gap += std::fabs(a.back() - b.back());
    }
    if (a.empty())
        return 0;
    gap /= double(a.size());
    const double closeness = std::clamp(1.0 - gap / kGapAtZero, 0.0, 1.0);
    double flatness = 0;
    const double r = correlation(a, b, &flatness);
    const double shape = flatness < kFlatDeviation ? closeness : std::clamp(r, 0.0, 1.0);
    const double coverage = double(a.size()) / double(voiced);
    return int(std::lround(100.0 * std::sqrt(coverage) * (closeness + shape) / 2.0));
}

int rhythmOf(const std::vector<AlignStep>& path, std::size_t n, std::size_t m)
{
    double stray = 0;
    const double across = n > 1 ? double(n - 1) : 1.0;
    const double down = m > 1 ? double(m - 1) : 1.0;
    for (const AlignStep& step : path)
        stray += std::fabs(step.model / across - step.learner / down);
    stray /= double(path.size());
    const double even = std::clamp(1.0 - stray / kStrayAtZero, 0.0, 1.0);
    const double ratio = std::fabs(std::log(double(m) / double(n)));
    const double pace = std::clamp(1.0 - ratio / std::log(kRatioAtZero), 0.0, 1.0);
    return int(std::lround(100.0 * even * pace));
}
}  // namespace

ContourScore scoreContours(const PitchContour& model, const PitchContour& learner)
{
    ContourScore score;
    score.modelLine.reserve(model.frames.size());
    for (const ContourFrame& f : model.frames)
        score.modelLine.push_back(f.semitones);
    score.modelVoiced = model.hasVoice();
    score.learnerVoiced = learner.hasVoice();
    if (!score.scored())
        return score;
    const Span modelSpan = speechOf(model.frames);
    const Span learnerSpan = speechOf(learner.frames);
    if (modelSpan.size() == 0 || learnerSpan.size() == 0) {
        score.modelVoiced = modelSpan.size() != 0;
        score.learnerVoiced = learnerSpan.size() != 0;
        return score;
    }
    const std::vector<ContourFrame> said = slice(model.frames, modelSpan);
    const std::vector<ContourFrame> heard = slice(learner.frames, learnerSpan);
    const int band = std::max(kMinBand, int(kBandShare * double(said.size())));
    const std::vector<AlignStep> path = alignContours(said, heard, band);
    const std::vector<float> warped = warp(path, heard, said.size());

    score.intonation = intonationOf(said, warped);
    score.rhythm = rhythmOf(path, said.size(), heard.size());
    score.learnerLine.assign(model.frames.size(), NAN);
    std::copy(warped.begin(), warped.end(),
              score.learnerLine.begin() + std::ptrdiff_t(modelSpan.first));
    return score;
}
