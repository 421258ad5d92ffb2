#include "ComparisonTrack.h"

#include "AudioReader.h"

#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <lame.h>
#include <memory>
#include <utility>
#include <vector>

namespace {
// Frames decoded and encoded in one go.
constexpr long long kChunkFrames = 8192;
// Room for what LAME makes of one chunk (1.25 × samples + 7200, as its manual asks), and for
// its flush and tag frame.
constexpr int kMp3Bytes = int(kChunkFrames * 5 / 4) + 7200;
constexpr int kPermille = 1000;

struct LameCloser {
    void operator()(lame_global_flags* lame) const { lame_close(lame); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;

// Encodes interleaved stereo floats into the device.
class Encoder {
public:
    QString open()
    {
        lame.reset(lame_init());
        if (!lame)
            return QStringLiteral("MP3 编码器无法启动");
        lame_set_in_samplerate(lame.get(), AudioReader::kRate);
        lame_set_out_samplerate(lame.get(), AudioReader::kRate);
        lame_set_num_channels(lame.get(), AudioReader::kChannels);
        lame_set_mode(lame.get(), JOINT_STEREO);
        lame_set_brate(lame.get(), ComparisonTrack::kBitrateKbps);
        lame_set_VBR(lame.get(), vbr_off);
        if (lame_init_params(lame.get()) < 0)
            return QStringLiteral("MP3 编码器无法启动");
        buffer.resize(kMp3Bytes);
        return {};
    }

    bool encode(QIODevice& out, const float* samples, long long frames)
    {
        while (frames > 0) {
            const int n = int(std::min(frames, kChunkFrames));
            const int bytes = lame_encode_buffer_interleaved_ieee_float(
                lame.get(), samples, n, buffer.data(), int(buffer.size()));
            if (!put(out, bytes))
                return false;
            samples += std::ptrdiff_t(n) * AudioReader::kChannels;
            frames -= n;
        }
        return true;
    }

    bool silence(QIODevice& out, long long frames)
    {
        const std::vector<float> zeros(
            std::size_t(std::min(frames, kChunkFrames)) * AudioReader::kChannels, 0.0f);
        while (frames > 0) {
            const long long n = std::min(frames, kChunkFrames);
            if (!encode(out, zeros.data(), n))
                return false;
            frames -= n;
        }
        return true;
    }

    // Flushes the encoder and writes its tag frame over the placeholder at the start.
    bool finish(QIODevice& out)
    {
        if (!put(out, lame_encode_flush(lame.get(), buffer.data(), int(buffer.size()))))
            return false;
        const std::size_t tag = lame_get_lametag_frame(lame.get(), buffer.data(), buffer.size());
        if (tag == 0 || tag > buffer.size())
            return true;
        const qint64 end = out.pos();
        return out.seek(0) &&
               out.write(reinterpret_cast<const char*>(buffer.data()), qint64(tag)) ==
                   qint64(tag) &&
               out.seek(end);
    }

private:
    bool put(QIODevice& out, int bytes)
    {
        return bytes >= 0 && (bytes == 0 || out.write(reinterpret_cast<const char*>(buffer.data()),
                                                      bytes) == bytes);
    }

    LamePtr lame;
    std::vector<unsigned char> buffer;
};

long long framesAt(double seconds) { return std::llround(seconds * AudioReader::kRate); }

using Problem = ComparisonTrack::Problem;

Problem writeFailed(const QIODevice& out)
{
    return {QString(), QStringLiteral("写入失败（%1）").arg(out.errorString())};
}
}  // namespace

QString ComparisonTrack::cancelledReason() { return QStringLiteral("已取消"); }

ComparisonTrack::ComparisonTrack(QString materialPath, std::vector<float> sentenceStarts,
                                 QStringList recordingPaths)
    : material(std::move(materialPath)), starts(std::move(sentenceStarts)),
      recordings(std::move(recordingPaths))
{
}

Problem ComparisonTrack::write(QIODevice& out, const Progress& progress,
                               const std::atomic<bool>& cancel) const
{
    progress(0);
    if (starts.empty() || qsizetype(starts.size()) != recordings.size())
        return {QString(), QStringLiteral("句子和录音的数目不一致")};
    Encoder encoder;
    if (QString why = encoder.open(); !why.isEmpty())
        return {QString(), why};
    AudioReader model;
    if (QString why = model.open(material); !why.isEmpty())
        return {material, why};
    const double length = model.duration();
    std::vector<float> samples;
    const std::size_t count = starts.size();

    for (std::size_t i = 0; i < count; ++i) {
        if (cancel)
            return {QString(), cancelledReason()};
        // The model sentence: skip to its start, then take it to the next one's start.
        samples.clear();
        const long long begin = framesAt(starts[i]);
        if (begin > model.position())
            model.read(begin - model.position(), samples);
        samples.clear();
        if (i + 1 < count) {
            const long long end = framesAt(starts[i + 1]);
            if (end > model.position())
                model.read(end - model.position(), samples);
        } else {
            while (model.read(kChunkFrames, samples) > 0 && !cancel) {
            }
        }
        const long long gap = framesAt(kGapSeconds);
        if (!encoder.encode(out, samples.data(),
                            (long long)(samples.size()) / AudioReader::kChannels) ||
            !encoder.silence(out, gap))
            return writeFailed(out);

        // The learner's recording of it.
        AudioReader voice;
        if (QString why = voice.open(recordings[qsizetype(i)]); !why.isEmpty())
            return {recordings[qsizetype(i)], why};
        samples.clear();
        while (voice.read(kChunkFrames, samples) > 0 && !cancel) {
        }
        if (!encoder.encode(out, samples.data(),
                            (long long)(samples.size()) / AudioReader::kChannels) ||
            !encoder.silence(out, gap))
            return writeFailed(out);

        const double done = length > 0 ? double(model.position()) / AudioReader::kRate / length
                                       : double(i + 1) / double(count);
        progress(std::min(kPermille - 1, int(done * kPermille)));
    }
    if (cancel)
        return {QString(), cancelledReason()};
    if (!encoder.finish(out))
        return writeFailed(out);
    progress(kPermille);
    return {};
}
