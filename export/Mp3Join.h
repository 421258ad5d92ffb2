#pragma once
// Mp3Join: joins MP3 recordings into one stream without decoding them. Each recording's MPEG
// audio frames are found by walking the frame headers; its ID3 and APE tags and its own tag
// frame (the "Xing"/"Info" frame that announces its length) are left out, and one new tag
// frame describing the whole joined stream is put in front, so players report and play the
// sum of the recordings. Plain functions on byte arrays; safe to call from any thread.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace mp3join {

// Where one MPEG audio frame lies in a recording's bytes.
struct Frame {
    qsizetype offset = 0;
    int size = 0;
    int bitrateIndex = 0;
};

// The audio frames of one recording and what its tag frame said about it.
struct Recording {
    QByteArray bytes;
    std::vector<Frame> frames;  // audio frames only, in order
    // Stream format, from the first audio frame; every frame must share it.
    int versionBits = 0;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int sampleRate = 0;
    bool mono = false;
    int samplesPerFrame = 0;
    // Encoder delay and padding in samples from the encoder's tag; -1 when it has none.
    int delay = -1;
    int padding = -1;
    // The first bytes of the encoder's tag (its name and settings), kept for the joined tag.
    QByteArray encoderTag;

    qsizetype audioBytes() const;
    std::int64_t samples() const { return std::int64_t(frames.size()) * samplesPerFrame; }
};

// Reads a recording's frames from its bytes. Returns an empty string, or why the bytes are not
// an MP3 recording that can be joined.
QString parse(QByteArray bytes, Recording* out);

// Joins parsed recordings (at least one; all of one format) into a complete MP3 stream: a tag
// frame for the whole followed by every recording's audio frames in order. Returns an empty
// string, or why they cannot be joined.
QString join(const std::vector<Recording>& recordings, QByteArray* out);

// The CRC-16 that MP3 tag frames carry (polynomial 0x8005, reflected, starting at 0).
std::uint16_t tagCrc(const char* data, qsizetype size, std::uint16_t crc = 0);

}  // namespace mp3join
