#include "PeaksFile.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <bit>

namespace {
constexpr quint32 kMagic = 0x4B505245;  // "ERPK" read as little-endian bytes
constexpr quint32 kVersion = 1;
// magic, version, media size, media time, channels, rate, frames, block frames, count
constexpr qint64 kHeaderBytes = 4 + 4 + 8 + 8 + 4 + 4 + 8 + 8 + 4;
constexpr qint64 kPeakBytes = 4;
constexpr qint64 kLargestFile = kHeaderBytes + qint64(WavePeaks::kMaxBlocks) * kPeakBytes;
constexpr qint32 kMostChannels = 64;

void prepare(QDataStream& stream)
{
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setVersion(QDataStream::Qt_6_0);
}

// Blocks start at kFirstBlockFrames and only ever double.
bool plausibleBlockLength(qint64 blockFrames)
{
    if (blockFrames < WavePeaks::kFirstBlockFrames || blockFrames % WavePeaks::kFirstBlockFrames)
        return false;
    return std::has_single_bit(quint64(blockFrames / WavePeaks::kFirstBlockFrames));
}
}  // namespace

namespace PeaksFile {

bool write(const QString& path, const FileIdentity& media, const WavePeaks& peaks, int sampleRate)
{
    const auto& blocks = peaks.blocks();
    if (media.size < 0 || sampleRate <= 0 || blocks.empty() || peaks.frames() <= 0)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    prepare(out);
    out << kMagic << kVersion << qint64(media.size) << qint64(media.modified.toMSecsSinceEpoch())
        << qint32(peaks.channels()) << qint32(sampleRate) << qint64(peaks.frames())
        << qint64(peaks.blockFrames()) << quint32(blocks.size());
    for (const WavePeaks::Peak& p : blocks)
        out << qint16(p.low) << qint16(p.high);
    if (out.status() != QDataStream::Ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<Stored> read(const QString& path, const FileIdentity& media)
{
    QFile file(path);
    if (media.size < 0 || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 bytes = file.size();
    if (bytes < kHeaderBytes || bytes > kLargestFile)
        return std::nullopt;
    QDataStream in(&file);
    prepare(in);
    quint32 magic = 0, version = 0, count = 0;
    qint64 size = 0, modified = 0, frames = 0, blockFrames = 0;
    qint32 channels = 0, rate = 0;
    in >> magic >> version >> size >> modified >> channels >> rate >> frames >> blockFrames >>
        count;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion)
        return std::nullopt;
    if (size != media.size || modified != media.modified.toMSecsSinceEpoch())
        return std::nullopt;  // made from another version of the media file
    if (channels < 1 || channels > kMostChannels || rate <= 0 || frames <= 0 ||
        !plausibleBlockLength(blockFrames) || count == 0 || count > WavePeaks::kMaxBlocks)
        return std::nullopt;
    if (qint64(count) != (frames + blockFrames - 1) / blockFrames ||
        bytes != kHeaderBytes + qint64(count) * kPeakBytes)
        return std::nullopt;
    std::vector<WavePeaks::Peak> blocks(count);
    for (WavePeaks::Peak& p : blocks) {
        qint16 low = 0, high = 0;
        in >> low >> high;
        if (low > 0 || high < 0)
            return std::nullopt;  // peaks are counted from 0
        p = {low, high};
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    Stored stored;
    stored.peaks.assign(channels, frames, blockFrames, std::move(blocks));
    stored.sampleRate = rate;
    return stored;
}

}  // namespace PeaksFile
