#pragma once
// Shared by the export tests: recordings made by the recorder's own MP3 encoder, what ffprobe
// and ffmpeg say about a file, and a Goertzel filter for tones in decoded audio.
#include <QString>
#include <vector>

namespace exporttest {
constexpr int kRate = 44100;

// A stereo recording of a sine tone, encoded as the recorder encodes the microphone.
bool writeRecording(const QString& path, double seconds, int hz, double amplitude = 0.5);
// The container duration ffprobe reports, or -1.
double probeDuration(const QString& path);
// What ffmpeg prints at level "error" while decoding the whole file (empty when clean), or a
// note when it could not run.
QString decodeErrors(const QString& path);
// Relative power of the frequency `hz` in `samples` (mono) at `rate`.
double goertzel(const std::vector<float>& samples, int rate, double hz);
// A tone file of any format made by ffmpeg's encoders, for materials.
bool writeTone(const QString& path, double seconds, int hz);
}  // namespace exporttest
