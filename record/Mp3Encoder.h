#pragma once
// Mp3Encoder: the LAME encoder of one recording and the buffers it works in.
// The recorder thread calls open() before capture starts and finish() after the capture stream
// is closed; in between only PortAudio's callback thread calls encode(). Nothing here allocates
// after open().
#include <QString>
#include <cstdio>
#include <memory>

struct lame_global_struct;

class Mp3Encoder {
public:
    // Frames per channel of one capture block: the only block size encode() is built for.
    static constexpr int kBlockFrames = 512;
    // Size of the MP3 output buffer, far more than one block (or the flush) can produce.
    static constexpr int kOutputBytes = 147456;

    Mp3Encoder();
    ~Mp3Encoder();
    Mp3Encoder(const Mp3Encoder&) = delete;
    Mp3Encoder& operator=(const Mp3Encoder&) = delete;

    // Sets up a 44100 Hz stereo encoder writing to `file` (not owned) with every sample
    // multiplied by `gain`. Returns an empty string, or the message of the step that failed.
    QString open(FILE* file, float gain);

    // Encodes interleaved stereo float frames (full scale +-1.0) and appends the MP3 bytes to
    // the file. Returns false when the encoder fails or the file takes fewer bytes than given.
    bool encode(const float* interleaved, unsigned long frames) noexcept;

    // Flushes the encoder into the file, writes the encoder's tag frame over the placeholder
    // frame at the start of the stream (so decoders know the exact length) and flushes the
    // file's buffer. Returns false when a write failed.
    bool finish();

    // True when the last encode() or finish() failed because the encoder itself failed.
    bool encoderFailed() const { return lameError; }

private:
    struct LameCloser {
        void operator()(lame_global_struct* lame) const;
    };
    bool write(const unsigned char* bytes, int count) noexcept;

    std::unique_ptr<lame_global_struct, LameCloser> lame;
    std::unique_ptr<unsigned char[]> mp3;
    std::unique_ptr<float[]> left;
    std::unique_ptr<float[]> right;
    FILE* file = nullptr;
    long streamStart = 0;
    float gain = 32767.0f;
    bool lameError = false;
};
