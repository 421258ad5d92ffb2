#pragma once
// ComparisonTrack: writes one MP3 stream in which every sentence of a material is followed by
// the learner's recording of it, with a short silence after each, so model and learner can be
// heard side by side. The material and the recordings are decoded and encoded anew (LAME,
// 128 kb/s, 44100 Hz stereo). Runs in whichever thread calls write(), which reports its
// progress to a callback in that thread; the cancel request is an atomic another thread sets.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

class QIODevice;

class ComparisonTrack {
public:
    static constexpr int kBitrateKbps = 128;
    static constexpr double kGapSeconds = 0.5;

    // `starts`: the sentences' start times in seconds, in order (sentence i runs to the start
    // of sentence i + 1, the last to the end of the material); `recordings`: one file per
    // sentence, in the same order.
    ComparisonTrack(QString material, std::vector<float> starts, QStringList recordings);

    // What went wrong: the file (empty for the output itself) and why. Empty when all went well.
    struct Problem {
        QString file;
        QString reason;
        bool ok() const { return reason.isEmpty(); }
    };

    // Encodes the track into `out` (open for writing and seekable: the length tag is written
    // over the stream's first frame at the end). Calls `progress` with 0 to 1000 along the way
    // and stops early, with a problem, when `cancel` is set.
    using Progress = std::function<void(int permille)>;
    Problem write(QIODevice& out, const Progress& progress, const std::atomic<bool>& cancel) const;
    static QString cancelledReason();

private:
    QString material;
    std::vector<float> starts;
    QStringList recordings;
};
