#pragma once
// Media fixtures made with the ffmpeg command-line tool at test time, and recording devices
// that stand in for the audio output and the display where the test looks at what a channel
// produced.
#include "AudioDev.h"
#include "VideoDev.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QVector>
#include <atomic>
#include <cstdint>

namespace mediatest {

constexpr int kRate = 44100;
constexpr double kToneHz = 440.0;
constexpr double kToneSeconds = 4.0;
// Silent gaps of 50 ms in the tone begin at these seconds.
constexpr double kGapA = 1.0;
constexpr double kGapB = 2.5;

// Stereo 440 Hz tone of 4 s with the two gaps, encoded by the file name's extension.
bool makeTone(const QString& path, double seconds = kToneSeconds);
// Video of 320 x 240 at 25 pictures/s: red, green / blue, white quadrants; with a tone
// unless `videoOnly`. The container follows the extension (.flv, .mp4).
bool makePattern(const QString& path, double seconds, bool videoOnly);

// Samples of the left channel of interleaved 16-bit PCM.
QVector<int16_t> leftChannel(const QByteArray& pcm, int channels);
// Frequency estimated from zero crossings.
double frequency(const QVector<int16_t>& samples, int rate);
// Sample indexes where runs of at least `minRun` near-silent samples begin.
QVector<int> gapStarts(const QVector<int16_t>& samples, int minRun);
double rms(const QVector<int16_t>& samples, int from, int to);
// Amplitude of the `hz` component of `count` samples from `from` (a single-frequency DFT); a
// window holding whole cycles of the tone reads it without leakage.
double toneAmplitude(const QVector<int16_t>& samples, int from, int count, double hz, int rate);

// AudioDev that keeps every byte it takes. It takes at most `budget` bytes in total (-1 =
// no limit), so a test can hold a channel at a known position.
class RecordingAudio : public AudioDev {
public:
    int writeSamples(char* data, int length) override;
    bool openOutput(int sampleRate, int sampleSize, int channels) override;
    void closeOutput() override { closed = true; }
    void setVolume(float v) override { volume = v; }
    // Everything taken counts as heard unless `held` says how much of it is still to play.
    double bufferedSeconds() const override { return held; }
    void discard() override {}
    // The format asked for, unless a fallback was set: then the device behaves as one that
    // refused the stream's format and opened that one instead.
    int outputRate() const override { return fallbackRate > 0 ? fallbackRate.load() : rate.load(); }
    int outputChannels() const override
    {
        return fallbackChannels > 0 ? fallbackChannels.load() : channels.load();
    }
    void setFallback(int r, int c)
    {
        fallbackRate = r;
        fallbackChannels = c;
    }

    QByteArray taken() const;
    qint64 size() const;
    void setBudget(qint64 limit) { budget = limit; }

    std::atomic<int> rate{0};
    std::atomic<int> bits{0};
    std::atomic<int> channels{0};
    std::atomic<int> opens{0};
    std::atomic<bool> closed{false};
    std::atomic<float> volume{-1};
    std::atomic<int> fallbackRate{0};
    std::atomic<int> fallbackChannels{0};
    std::atomic<double> held{0};

private:
    mutable QMutex mutex;
    QByteArray bytes;
    std::atomic<qint64> budget{-1};
};

// VideoDev that keeps the last picture's quadrant colours and counts the calls.
class RecordingVideo : public VideoDev {
public:
    void pushFrame(FramePicture* picture) override;
    void setAspect(float a) override { aspect = a; }
    void setDisplay(int width, int height, int format, bool on) override;
    void resetClock() override { ++resets; }
    void setSpeed(double s) override { speed = s; }

    // Colours (0xRRGGBB) in the middle of the four quadrants of the last picture:
    // top left, top right, bottom left, bottom right.
    QVector<unsigned> quadrants() const;
    QVector<double> times() const;
    // Colour of the top left quadrant of every picture, in the order they came.
    QVector<unsigned> colours() const;

    std::atomic<int> frames{0};
    std::atomic<int> resets{0};
    std::atomic<int> displaysOn{0};
    std::atomic<int> displaysOff{0};
    std::atomic<int> width{0};
    std::atomic<int> height{0};
    std::atomic<float> aspect{0};
    std::atomic<double> speed{1.0};

private:
    mutable QMutex mutex;
    QVector<unsigned> lastQuadrants;
    QVector<double> pictureTimes;
    QVector<unsigned> pictureColours;
};

// Whether two colours are within `tolerance` in every component.
bool near(unsigned colour, unsigned expected, int tolerance = 40);

}  // namespace mediatest
