#include "PitchContour.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <memory>

namespace {
// YIN-FFT's confidence (1 - its normalised difference at the period) a frame needs to count
// as voiced. The detector applies it itself as its tolerance and answers 0 Hz below it
// (aubio 0.4.9 reports no confidence for this detector: aubio_pitch_get_confidence gives 0).
constexpr float kConfidence = 0.6f;
// A frame this far below the loudest one is taken for silence or breath, voiced or not.
constexpr float kVoiceFloorDb = 30;
// Voiced runs shorter than this many frames are detector blips, not syllables.
constexpr std::size_t kShortestRun = 4;
// Frames in the median that smooths the pitch (odd).
constexpr std::size_t kSmoothing = 5;
// The analysis window covers at least this much sound: YIN-FFT finds the lowest voices only
// with about six of their periods in the window.
constexpr double kWindowSeconds = 0.08;
// Sound is decimated by a whole factor to no less than this rate before the analysis: the
// voice's pitch (up to PitchContour::kHighestHz, with a few harmonics) needs no more, and the
// detector's transforms cost a quarter at a quarter of the rate.
constexpr int kAnalysisRate = 11025;
// Sound whose loudest frame stays below this (dB of full scale) holds no voice at all.
constexpr float kQuietestVoiceDb = -60;

struct PitchFreer {
    void operator()(aubio_pitch_t* p) const { del_aubio_pitch(p); }
};
struct VectorFreer {
    void operator()(fvec_t* v) const { del_fvec(v); }
};
using PitchDetector = std::unique_ptr<aubio_pitch_t, PitchFreer>;
using Vector = std::unique_ptr<fvec_t, VectorFreer>;

uint_t windowFor(int sampleRate)
{
    uint_t size = 256;
    while (size < uint_t(kWindowSeconds * sampleRate))
        size *= 2;
    return size;
}

float decibels(double meanSquare)
{
    return meanSquare > 0 ? float(10.0 * std::log10(meanSquare)) : -200.0f;
}

// Drops voiced runs shorter than kShortestRun frames.
void dropBlips(std::vector<float>& hz)
{
    std::size_t i = 0;
    while (i < hz.size()) {
        if (hz[i] <= 0) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < hz.size() && hz[end] > 0)
            ++end;
        if (end - i < kShortestRun)
            std::fill(hz.begin() + std::ptrdiff_t(i), hz.begin() + std::ptrdiff_t(end), 0.0f);
        i = end;
    }
}

// Every `factor` samples averaged into one (a box filter before the decimation).
std::vector<float> decimated(const float* samples, std::size_t count, int factor)
{
    std::vector<float> out(count / std::size_t(factor));
    for (std::size_t i = 0; i < out.size(); ++i) {
        float sum = 0;
        for (int k = 0; k < factor; ++k)
            sum += samples[i * std::size_t(factor) + std::size_t(k)];
        out[i] = sum / float(factor);
    }
    return out;
}

// Each voiced frame takes the median of the voiced frames among the kSmoothing around it,
// which removes single-frame octave jumps without rounding off a glide.
std::vector<float> smoothed(const std::vector<float>& hz)
{
    std::vector<float> out(hz.size(), 0.0f);
    const std::size_t half = kSmoothing / 2;
    float near[kSmoothing];
    for (std::size_t f = 0; f < hz.size(); ++f) {
        if (hz[f] <= 0)
            continue;
        std::size_t n = 0;
        for (std::size_t k = f > half ? f - half : 0; k <= f + half && k < hz.size(); ++k)
            if (hz[k] > 0)
                near[n++] = hz[k];
        std::nth_element(near, near + n / 2, near + n);
        out[f] = near[n / 2];
    }
    return out;
}

float medianOf(std::vector<float> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}
}  // namespace

std::size_t PitchContour::voicedCount() const
{
    return std::size_t(std::count_if(frames.begin(), frames.end(),
                                     [](const ContourFrame& f) { return f.voiced(); }));
}

PitchContour extractContour(const float* input, std::size_t inputCount, int inputRate)
{
    PitchContour contour;
    const int factor = std::max(1, inputRate / kAnalysisRate);
    std::vector<float> reduced;
    if (factor > 1)
        reduced = decimated(input, inputCount, factor);
    const float* samples = factor > 1 ? reduced.data() : input;
    const std::size_t count = factor > 1 ? reduced.size() : inputCount;
    const int sampleRate = inputRate / factor;
    const auto hop = uint_t(std::lround(PitchContour::kHopSeconds * sampleRate));
    if (sampleRate <= 0 || hop == 0 || count < hop)
        return contour;
    const uint_t window = windowFor(sampleRate);
    PitchDetector detector(new_aubio_pitch("yinfft", window, hop, uint_t(sampleRate)));
    Vector in(new_fvec(hop));
    Vector out(new_fvec(1));
    if (!detector || !in || !out)
        return contour;
    aubio_pitch_set_unit(detector.get(), "Hz");
    aubio_pitch_set_tolerance(detector.get(), 1.0f - kConfidence);
    aubio_pitch_set_silence(detector.get(), -70);

    const std::size_t frames = count / hop;
    std::vector<float> hz(frames, 0.0f);
    std::vector<float> db(frames, 0.0f);
    for (std::size_t f = 0; f < frames; ++f) {
        const float* from = samples + f * hop;
        double energy = 0;
        for (uint_t k = 0; k < hop; ++k) {
            in->data[k] = from[k];
            energy += double(from[k]) * from[k];
        }
        db[f] = decibels(energy / hop);
        aubio_pitch_do(detector.get(), in.get(), out.get());
        const float pitch = out->data[0];
        if (pitch >= PitchContour::kLowestHz && pitch <= PitchContour::kHighestHz)
            hz[f] = pitch;
    }
    // The detector reports the window that ends with the frame: move its answers back to
    // the frames at the window's middle.
    const auto latency = std::size_t(std::lround((double(window) - hop) / 2.0 / hop));
    hz.erase(hz.begin(), hz.begin() + std::ptrdiff_t(std::min(latency, hz.size())));
    hz.resize(frames, 0.0f);
    const float loudest = *std::max_element(db.begin(), db.end());
    for (std::size_t f = 0; f < frames; ++f)
        if (db[f] < loudest - kVoiceFloorDb || loudest < kQuietestVoiceDb)
            hz[f] = 0;
    dropBlips(hz);
    hz = smoothed(hz);

    std::vector<float> voiced;
    for (float v : hz)
        if (v > 0)
            voiced.push_back(v);
    contour.medianHz = medianOf(voiced);
    contour.frames.resize(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        ContourFrame& frame = contour.frames[f];
        const float below = loudest - db[f];
        frame.energy = std::clamp(1.0f - below / PitchContour::kEnergyRange, 0.0f, 1.0f);
        if (hz[f] > 0)
            frame.semitones = float(12.0 * std::log2(double(hz[f]) / contour.medianHz));
    }
    return contour;
}
