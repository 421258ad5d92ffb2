#pragma once
// PeaksFile: the fine peaks of a whole media file kept on disk, so a file plotted once is
// drawn again (and knows its decoded length) without decoding it. The file records the
// identity (size and modification time) of the media file it was made from; one whose
// identity, header or length does not check out is ignored as if absent, and the next
// complete decoding replaces it. Written atomically, so a crash leaves the old file or the
// new one, never half of either. Free functions, callable from any thread; each call opens
// and closes its own file.
#include "FileIdentity.h"
#include "WavePeaks.h"

#include <QString>
#include <optional>

namespace PeaksFile {

struct Stored {
    WavePeaks peaks;
    int sampleRate = 0;
    // Length of the whole file as decoded.
    double seconds() const { return double(peaks.frames()) / sampleRate; }
};

// The peaks of `media` (finished, not empty) decoded at `sampleRate`; false when the file
// cannot be written.
bool write(const QString& path, const FileIdentity& media, const WavePeaks& peaks, int sampleRate);
// The stored peaks when the file is sound and was made from this very version of the media
// file; nothing otherwise.
std::optional<Stored> read(const QString& path, const FileIdentity& media);

}  // namespace PeaksFile
