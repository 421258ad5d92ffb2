// Benchmark of the export's writing: joining 200 sentence recordings of 5 s into one MP3
// (beside copying their bytes end to end, which is all a join can cost at least), and the
// comparison track of a 10-minute material with a recording for each of its 5 s sentences
// (against the material's own length, and beside ffmpeg encoding the material once).
//
//   bench_export <10-minute mp3> [runs]
#include "BenchSupport.h"
#include "ComparisonTrack.h"
#include "ExportJob.h"
#include "Mp3Encoder.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {
constexpr int kSentences = 200;
constexpr double kSentenceSeconds = 5.0;
constexpr int kRate = 44100;

// A 5 s recording made by the recorder's encoder: a tone with a slow rise and fall, like a voice.
bool makeRecording(const QString& path)
{
    FILE* file = std::fopen(path.toUtf8().constData(), "w+b");
    if (!file)
        return false;
    Mp3Encoder encoder;
    bool ok = encoder.open(file, 32767.0f).isEmpty();
    const long long total = std::llround(kSentenceSeconds * kRate);
    std::vector<float> block(2 * Mp3Encoder::kBlockFrames);
    for (long long at = 0; ok && at < total; at += Mp3Encoder::kBlockFrames) {
        const long long n = std::min<long long>(Mp3Encoder::kBlockFrames, total - at);
        for (long long i = 0; i < n; ++i) {
            const double t = double(at + i) / kRate;
            const double level = 0.3 * (0.5 + 0.5 * std::sin(2 * std::numbers::pi * 3 * t));
            const float v = float(level * std::sin(2 * std::numbers::pi * 220 * t));
            block[std::size_t(2 * i)] = block[std::size_t(2 * i + 1)] = v;
        }
        ok = encoder.encode(block.data(), (unsigned long)(n));
    }
    ok = ok && encoder.finish();
    return std::fclose(file) == 0 && ok;
}

bool concatenate(const QStringList& sources, const QString& target)
{
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (const QString& s : sources) {
        QFile in(s);
        if (!in.open(QIODevice::ReadOnly) || out.write(in.readAll()) < 0)
            return false;
    }
    return out.commit();
}

bool runJob(const ExportJob& job)
{
    std::atomic<int> permille{0};
    std::atomic<bool> cancel{false};
    return job.run(permille, cancel).ok();
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_export <10-minute mp3> [runs]\n");
        return 2;
    }
    const QString material = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    QTemporaryDir dir;
    const QString one = dir.filePath(QStringLiteral("recordpiece.mp3"));
    if (!dir.isValid() || !makeRecording(one))
        return 1;
    QStringList recordings;
    for (int i = 0; i < kSentences; ++i) {
        recordings << dir.filePath(
            QStringLiteral("recordpiece%1.mp3").arg(i, 3, 10, QLatin1Char('0')));
        if (!QFile::copy(one, recordings.back()))
            return 1;
    }

    // Joining the 200 recordings.
    ExportJob join;
    join.addJoin(dir.filePath(QStringLiteral("joined.mp3")), recordings);
    const auto [joinMs, copyMs] = bench::medianPair(
        runs, [&] { return runJob(join); },
        [&] { return concatenate(recordings, dir.filePath(QStringLiteral("copied.mp3"))); });
    bench::row(QStringLiteral("join 200 sentence recordings of 5 s"), bench::amount(joinMs, "ms"),
               QStringLiteral("bytes copied end to end %1").arg(bench::amount(copyMs, "ms")),
               copyMs > 0 ? joinMs / copyMs : -1, QStringLiteral("<= 1 s"),
               joinMs >= 0 && joinMs <= 1000);

    // The comparison track of the 10-minute material, a sentence every 5 s.
    ExportJob comparison;
    std::vector<float> starts;
    QStringList voices;
    const double length = 600.0;
    for (int i = 0; i * kSentenceSeconds < length; ++i) {
        starts.push_back(float(i * kSentenceSeconds));
        voices << recordings[i % kSentences];
    }
    comparison.addComparison(dir.filePath(QStringLiteral("comparison.mp3")),
                             ComparisonTrack(material, starts, voices));
    const int trackRuns = std::max(1, runs / 2);
    const auto [trackMs, encodeMs] = bench::medianPair(
        trackRuns, [&] { return runJob(comparison); },
        [&] {
            return bench::ffmpeg({QStringLiteral("-i"), material, QStringLiteral("-c:a"),
                                  QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                                  QStringLiteral("128k"), QStringLiteral("-f"),
                                  QStringLiteral("null"), QStringLiteral("-")});
        });
    const double share = trackMs / 1000.0 / length;
    bench::row(QStringLiteral("comparison track of a 10-minute material (%1 runs)").arg(trackRuns),
               bench::amount(trackMs / 1000.0, "s"),
               QStringLiteral("material 600 s; ffmpeg encoding it once %1")
                   .arg(bench::amount(encodeMs / 1000.0, "s")),
               share, QStringLiteral("<= 0.5x its length"), trackMs >= 0 && share <= 0.5);
    return 0;
}
