#include "Mp3Join.h"

#include <QtEndian>
#include <algorithm>
#include <array>

namespace mp3join {
namespace {

constexpr int kHeaderBytes = 4;
constexpr int kVersionMpeg1 = 3;
constexpr int kVersionReserved = 1;
constexpr int kLayer3Bits = 1;
constexpr int kBadBitrateIndex = 15;
constexpr int kBadRateIndex = 3;
constexpr int kMonoMode = 3;

constexpr std::array<int, 15> kBitratesMpeg1 = {0,   32,  40,  48,  56,  64,  80, 96,
                                                112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> kBitratesMpeg2 = {0,  8,  16, 24,  32,  40,  48, 56,
                                                64, 80, 96, 112, 128, 144, 160};
constexpr std::array<int, 3> kRatesMpeg1 = {44100, 48000, 32000};

// Tag frame layout from the "Xing"/"Info" word: the word, flags, frame count, byte count, seek
// table, quality, then the encoder's extension of 36 bytes.
constexpr int kXingFlagsAll = 0x0F;
constexpr int kTocEntries = 100;
constexpr int kTocOffset = 4 + 4 + 4 + 4;
constexpr int kXingBodyBytes = kTocOffset + kTocEntries + 4;
constexpr int kEncoderTagBytes = 36;
// Offsets inside the encoder's extension.
constexpr int kPeakOffset = 11;
constexpr int kGainsOffset = 15;
constexpr int kGainsBytes = 4;
constexpr int kDelayOffset = 21;
constexpr int kMp3GainOffset = 25;
constexpr int kMusicLengthOffset = 28;
constexpr int kMusicCrcOffset = 32;
constexpr int kTagCrcOffset = 34;
constexpr int kMaxDelay = 4095;

// The tag checksum's table: CRC-16 with the reflected polynomial 0x8005, one byte at a time.
constexpr std::array<std::uint16_t, 256> kCrcTable = [] {
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned crc = byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        table[byte] = std::uint16_t(crc);
    }
    return table;
}();

constexpr int kId3v2HeaderBytes = 10;
constexpr int kId3v1Bytes = 128;
constexpr int kApeFooterBytes = 32;

struct Header {
    int versionBits = 0;
    int bitrateIndex = 0;
    int sampleRate = 0;
    bool padded = false;
    bool crc = false;
    bool mono = false;

    bool mpeg1() const { return versionBits == kVersionMpeg1; }
    int samplesPerFrame() const { return mpeg1() ? 1152 : 576; }
    int bitrate() const
    {
        return (mpeg1() ? kBitratesMpeg1 : kBitratesMpeg2)[std::size_t(bitrateIndex)];
    }
    int frameBytes() const
    {
        const int coefficient = mpeg1() ? 144000 : 72000;
        return coefficient * bitrate() / sampleRate + (padded ? 1 : 0);
    }
    // Bytes between the header (and its CRC) and the frame's main data.
    int sideInfoBytes() const
    {
        if (mpeg1())
            return mono ? 17 : 32;
        return mono ? 9 : 17;
    }
    int tagOffset() const { return kHeaderBytes + (crc ? 2 : 0) + sideInfoBytes(); }
    bool sameFormat(const Header& other) const
    {
        return versionBits == other.versionBits && sampleRate == other.sampleRate &&
               mono == other.mono;
    }
};

std::uint8_t byteAt(const QByteArray& bytes, qsizetype i) { return std::uint8_t(bytes[i]); }

// A Layer III frame header at `at`, or false.
bool readHeader(const QByteArray& bytes, qsizetype at, Header* h)
{
    if (at < 0 || at + kHeaderBytes > bytes.size())
        return false;
    const std::uint8_t b1 = byteAt(bytes, at + 1);
    const std::uint8_t b2 = byteAt(bytes, at + 2);
    const std::uint8_t b3 = byteAt(bytes, at + 3);
    if (byteAt(bytes, at) != 0xFF || (b1 & 0xE0) != 0xE0)
        return false;
    h->versionBits = (b1 >> 3) & 3;
    const int layer = (b1 >> 1) & 3;
    h->crc = (b1 & 1) == 0;
    h->bitrateIndex = b2 >> 4;
    const int rateIndex = (b2 >> 2) & 3;
    h->padded = (b2 >> 1) & 1;
    h->mono = (b3 >> 6) == kMonoMode;
    if (h->versionBits == kVersionReserved || layer != kLayer3Bits || h->bitrateIndex == 0 ||
        h->bitrateIndex == kBadBitrateIndex || rateIndex == kBadRateIndex)
        return false;
    const int shift = h->versionBits == kVersionMpeg1 ? 0 : (h->versionBits == 2 ? 1 : 2);
    h->sampleRate = kRatesMpeg1[std::size_t(rateIndex)] >> shift;
    return true;
}

qsizetype skipId3v2(const QByteArray& bytes, qsizetype at)
{
    while (at + kId3v2HeaderBytes <= bytes.size() && bytes.mid(at, 3) == "ID3") {
        qsizetype size = 0;
        for (int i = 6; i < 10; ++i)
            size = (size << 7) | (byteAt(bytes, at + i) & 0x7F);
        const bool footer = byteAt(bytes, at + 5) & 0x10;
        at += kId3v2HeaderBytes + size + (footer ? kId3v2HeaderBytes : 0);
    }
    return at;
}

// The end of the audio part: trailing ID3v1 and APE tags are cut off.
qsizetype audioEnd(const QByteArray& bytes, qsizetype begin)
{
    qsizetype end = bytes.size();
    for (bool cut = true; cut;) {
        cut = false;
        if (end - begin >= kId3v1Bytes && bytes.mid(end - kId3v1Bytes, 3) == "TAG") {
            end -= kId3v1Bytes;
            cut = true;
        }
        if (end - begin >= kApeFooterBytes && bytes.mid(end - kApeFooterBytes, 8) == "APETAGEX") {
            const qsizetype size =
                qFromLittleEndian<quint32>(bytes.constData() + end - kApeFooterBytes + 12);
            const bool hasHeader = byteAt(bytes, end - kApeFooterBytes + 23) & 0x80;
            const qsizetype whole = size + (hasHeader ? kApeFooterBytes : 0);
            if (whole >= kApeFooterBytes && whole <= end - begin) {
                end -= whole;
                cut = true;
            }
        }
    }
    return end;
}

// True when a frame header at `at` is followed by another one (or the end), which tells a
// real frame from bytes that only look like a header.
bool confirmed(const QByteArray& bytes, qsizetype at, qsizetype end, const Header& h)
{
    const qsizetype next = at + h.frameBytes();
    if (next == end)
        return true;
    Header following;
    return next < end && readHeader(bytes, next, &following) && following.sameFormat(h);
}

// Reads the tag frame's encoder extension: delay, padding and the encoder's own bytes.
void readTagFrame(const QByteArray& bytes, const Frame& frame, const Header& h, Recording* out)
{
    const qsizetype xing = frame.offset + h.tagOffset();
    const qsizetype frameEnd = frame.offset + frame.size;
    if (xing + 8 > frameEnd)
        return;
    const quint32 flags = qFromBigEndian<quint32>(bytes.constData() + xing + 4);
    qsizetype at = xing + 8;
    at += (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) + (flags & 4 ? kTocEntries : 0) +
          (flags & 8 ? 4 : 0);
    if (at + kEncoderTagBytes > frameEnd)
        return;
    const QByteArray name = bytes.mid(at, 4);
    if (name != "LAME" && name != "Lavf" && name != "Lavc")
        return;
    out->encoderTag = bytes.mid(at, kEncoderTagBytes);
    const quint32 packed = (quint32(byteAt(bytes, at + kDelayOffset)) << 16) |
                           (quint32(byteAt(bytes, at + kDelayOffset + 1)) << 8) |
                           byteAt(bytes, at + kDelayOffset + 2);
    out->delay = int(packed >> 12);
    out->padding = int(packed & 0xFFF);
}

bool isTagFrame(const QByteArray& bytes, const Frame& frame, const Header& h)
{
    const qsizetype at = frame.offset + h.tagOffset();
    if (at + 4 <= frame.offset + frame.size) {
        const QByteArray word = bytes.mid(at, 4);
        if (word == "Xing" || word == "Info")
            return true;
    }
    // The other encoder tag sits at a fixed place after 32 bytes of side information.
    constexpr int kVbriOffset = kHeaderBytes + 32;
    return frame.size >= kVbriOffset + 4 && bytes.mid(frame.offset + kVbriOffset, 4) == "VBRI";
}

void putBig32(QByteArray& bytes, qsizetype at, quint32 value)
{
    qToBigEndian<quint32>(value, bytes.data() + at);
}

// The smallest bitrate of the stream's format whose unpadded frame holds `needed` bytes.
int bitrateIndexFor(Header h, int needed)
{
    for (int index = 1; index < kBadBitrateIndex; ++index) {
        h.bitrateIndex = index;
        h.padded = false;
        if (h.frameBytes() >= needed)
            return index;
    }
    return kBadBitrateIndex - 1;
}

// A header for the tag frame of format `h`, with the channel mode byte of the stream's first
// audio frame.
QByteArray tagHeader(const Header& h, std::uint8_t modeByte)
{
    QByteArray header(kHeaderBytes, '\0');
    header[0] = char(0xFF);
    // Sync, version, Layer III, no CRC.
    header[1] = char(0xE0 | (h.versionBits << 3) | (kLayer3Bits << 1) | 1);
    const int shift = h.mpeg1() ? 0 : (h.versionBits == 2 ? 1 : 2);
    int rateIndex = 0;
    while (rateIndex < 2 && (kRatesMpeg1[std::size_t(rateIndex)] >> shift) != h.sampleRate)
        ++rateIndex;
    header[2] = char((h.bitrateIndex << 4) | (rateIndex << 2));
    header[3] = char(modeByte & 0xF0);
    return header;
}

}  // namespace

qsizetype Recording::audioBytes() const
{
    qsizetype total = 0;
    for (const Frame& f : frames)
        total += f.size;
    return total;
}

std::uint16_t tagCrc(const char* data, qsizetype size, std::uint16_t crc)
{
    for (qsizetype i = 0; i < size; ++i)
        crc = std::uint16_t((crc >> 8) ^ kCrcTable[(crc ^ std::uint8_t(data[i])) & 0xFF]);
    return crc;
}

QString parse(QByteArray bytes, Recording* out)
{
    *out = Recording{};
    const qsizetype begin = skipId3v2(bytes, 0);
    const qsizetype end = audioEnd(bytes, begin);
    Header first;
    bool haveFirst = false;
    for (qsizetype at = begin; at + kHeaderBytes <= end;) {
        Header h;
        if (!readHeader(bytes, at, &h) || (haveFirst && !h.sameFormat(first)) ||
            !confirmed(bytes, at, end, h)) {
            ++at;  // not a frame here: look for the next one
            continue;
        }
        const Frame frame{at, h.frameBytes(), h.bitrateIndex};
        if (!haveFirst) {
            first = h;
            haveFirst = true;
            if (isTagFrame(bytes, frame, h)) {
                readTagFrame(bytes, frame, h, out);
                at += frame.size;
                continue;
            }
        }
        out->frames.push_back(frame);
        at += frame.size;
    }
    if (out->frames.empty())
        return QStringLiteral("文件里没有 MP3 音频帧");
    out->versionBits = first.versionBits;
    out->sampleRate = first.sampleRate;
    out->mono = first.mono;
    out->samplesPerFrame = first.samplesPerFrame();
    out->bytes = std::move(bytes);
    return {};
}

QString join(const std::vector<Recording>& recordings, QByteArray* out)
{
    out->clear();
    if (recordings.empty())
        return QStringLiteral("没有可合并的录音");
    const Recording& head = recordings.front();
    const Recording& tail = recordings.back();
    Header format;
    format.versionBits = head.versionBits;
    format.sampleRate = head.sampleRate;
    format.mono = head.mono;
    std::size_t frameCount = 0;
    qsizetype audioBytes = 0;
    bool constantBitrate = true;
    for (const Recording& r : recordings) {
        if (r.versionBits != head.versionBits || r.sampleRate != head.sampleRate ||
            r.mono != head.mono)
            return QStringLiteral("录音的格式不一致，不能合并");
        frameCount += r.frames.size();
        audioBytes += r.audioBytes();
        for (const Frame& f : r.frames)
            constantBitrate = constantBitrate && f.bitrateIndex == head.frames.front().bitrateIndex;
    }

    // The tag frame: the stream's own bitrate when the tag fits, else the next that does.
    const int tagAt = format.tagOffset();
    const int tagBytes = tagAt + kXingBodyBytes + kEncoderTagBytes;
    Header tag = format;
    tag.bitrateIndex = head.frames.front().bitrateIndex;
    if (tag.frameBytes() < tagBytes)
        tag.bitrateIndex = bitrateIndexFor(format, tagBytes);
    const int frameBytes = tag.frameBytes();
    const qsizetype total = frameBytes + audioBytes;

    QByteArray stream;
    stream.reserve(total);
    stream.append(tagHeader(tag, byteAt(head.bytes, head.frames.front().offset + 3)));
    stream.append(QByteArray(frameBytes - kHeaderBytes, '\0'));
    stream.replace(tagAt, 4, constantBitrate ? "Info" : "Xing");
    putBig32(stream, tagAt + 4, kXingFlagsAll);
    putBig32(stream, tagAt + 8, quint32(frameCount));
    putBig32(stream, tagAt + 12, quint32(total));

    // Seek table: for each percent of the length, where its frame starts (in 1/256 of the
    // stream's bytes).
    std::vector<qsizetype> starts;
    starts.reserve(frameCount);
    qsizetype position = frameBytes;
    for (const Recording& r : recordings) {
        for (const Frame& f : r.frames) {
            starts.push_back(position);
            position += f.size;
        }
    }
    for (int i = 0; i < kTocEntries; ++i) {
        const std::size_t frame = std::size_t(double(i) / kTocEntries * double(frameCount));
        const qsizetype at = starts[std::min(frame, starts.size() - 1)];
        stream[tagAt + kTocOffset + i] = char(std::min<qsizetype>(255, at * 256 / total));
    }

    // The encoder's extension: the first recording's encoder and settings, the delay of the
    // first recording and the padding of the last, no level data (unknown for the whole).
    if (head.encoderTag.size() == kEncoderTagBytes) {
        const qsizetype ext = tagAt + kXingBodyBytes;
        QByteArray encoder = head.encoderTag;
        encoder.replace(kPeakOffset, 4, QByteArray(4, '\0'));
        encoder.replace(kGainsOffset, kGainsBytes, QByteArray(kGainsBytes, '\0'));
        encoder[kMp3GainOffset] = 0;
        const int delay = std::clamp(head.delay, 0, kMaxDelay);
        const int padding = std::clamp(tail.padding, 0, kMaxDelay);
        const quint32 packed = (quint32(delay) << 12) | quint32(padding);
        encoder[kDelayOffset] = char(packed >> 16);
        encoder[kDelayOffset + 1] = char(packed >> 8);
        encoder[kDelayOffset + 2] = char(packed);
        stream.replace(ext, kEncoderTagBytes, encoder);
        putBig32(stream, ext + kMusicLengthOffset, quint32(total));
        std::uint16_t musicCrc = 0;
        for (const Recording& r : recordings) {
            for (const Frame& f : r.frames)
                musicCrc = tagCrc(r.bytes.constData() + f.offset, f.size, musicCrc);
        }
        qToBigEndian<quint16>(musicCrc, stream.data() + ext + kMusicCrcOffset);
        const std::uint16_t crc = tagCrc(stream.constData(), ext + kTagCrcOffset);
        qToBigEndian<quint16>(crc, stream.data() + ext + kTagCrcOffset);
    }
    // Without an encoder's extension the tag keeps only the length and the seek table.

    for (const Recording& r : recordings) {
        for (const Frame& f : r.frames)
            stream.append(r.bytes.constData() + f.offset, f.size);
    }
    *out = std::move(stream);
    return {};
}

}  // namespace mp3join
