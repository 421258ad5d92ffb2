#pragma once
// AudioReader: decodes the first audio stream of a media file, from its first sample heard to
// its end, as interleaved stereo float samples (full scale 1.0) at a fixed rate. Used by one
// thread at a time; owns its FFmpeg handles.
#include <QString>
#include <memory>
#include <vector>

class AudioReader {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    AudioReader();
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // Opens the file; returns an empty string or why it cannot be decoded.
    QString open(const QString& path);
    // Length from the container in seconds, or -1 when unknown.
    double duration() const;
    // Appends up to `frames` frames to `out`; fewer only at the end of the stream. Returns the
    // number appended.
    long long read(long long frames, std::vector<float>& out);
    // Frames handed out so far.
    long long position() const { return consumed; }

private:
    struct Handles;
    bool refill();

    std::unique_ptr<Handles> h;
    std::vector<float> pending;  // decoded, not yet handed out
    std::size_t pendingAt = 0;
    long long consumed = 0;
    bool ended = false;
};
