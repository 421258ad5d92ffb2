#include "Mp3Encoder.h"

#include <algorithm>
#include <lame.h>
#include <new>

void Mp3Encoder::LameCloser::operator()(lame_global_struct* handle) const { lame_close(handle); }

Mp3Encoder::Mp3Encoder() = default;
Mp3Encoder::~Mp3Encoder() = default;

QString Mp3Encoder::open(FILE* output, float captureGain)
{
    file = output;
    gain = captureGain;
    lameError = false;
    lame.reset(lame_init());
    if (!lame)
        return QStringLiteral("lame initialize failed.");
    lame_set_out_samplerate(lame.get(), 44100);
    lame_set_mode(lame.get(), STEREO);
    lame_set_in_samplerate(lame.get(), 44100);
    if (lame_init_params(lame.get()) == -1)
        return QStringLiteral("lame init param failed.");
    mp3.reset(new (std::nothrow) unsigned char[kOutputBytes]);
    if (!mp3)
        return QStringLiteral("malloc fail: lame output buffer.");
    left.reset(new (std::nothrow) float[kBlockFrames]);
    right.reset(new (std::nothrow) float[kBlockFrames]);
    if (!left || !right)
        return QStringLiteral("malloc fail: sample buffers for lame.");
    // The tag frame replaces the first frame the encoder writes, wherever the stream begins.
    streamStart = std::ftell(file);
    if (streamStart < 0)
        streamStart = 0;
    return {};
}

bool Mp3Encoder::write(const unsigned char* bytes, int count) noexcept
{
    if (count < 0) {
        lameError = true;
        return false;
    }
    return count == 0 || std::fwrite(bytes, 1, size_t(count), file) == size_t(count);
}

bool Mp3Encoder::encode(const float* interleaved, unsigned long frames) noexcept
{
    // PortAudio delivers exactly one block; larger deliveries are taken a block at a time.
    while (frames > 0) {
        const int n = int(std::min<unsigned long>(frames, kBlockFrames));
        for (int i = 0; i < n; ++i) {
            left[i] = interleaved[2 * i] * gain;
            right[i] = interleaved[2 * i + 1] * gain;
        }
        const int bytes = lame_encode_buffer_float(lame.get(), left.get(), right.get(), n,
                                                   mp3.get(), kOutputBytes);
        if (!write(mp3.get(), bytes))
            return false;
        interleaved += 2 * n;
        frames -= static_cast<unsigned long>(n);
    }
    return true;
}

bool Mp3Encoder::finish()
{
    bool ok = write(mp3.get(), lame_encode_flush(lame.get(), mp3.get(), kOutputBytes));
    if (ok) {
        const size_t tag = lame_get_lametag_frame(lame.get(), mp3.get(), kOutputBytes);
        if (tag > 0 && tag <= size_t(kOutputBytes) &&
            std::fseek(file, streamStart, SEEK_SET) == 0) {
            ok = std::fwrite(mp3.get(), 1, tag, file) == tag;
            std::fseek(file, 0, SEEK_END);
        }
    }
    // Buffered bytes that do not fit (a full disk) show up here rather than at fclose.
    if (std::fflush(file) != 0 || std::ferror(file))
        ok = false;
    return ok;
}
