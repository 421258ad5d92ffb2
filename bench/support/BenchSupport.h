#pragma once
// Helpers shared by the benchmarks: the ffmpeg tool as the reference, and timing of repeated
// runs.
#include <QStringList>
#include <functional>

namespace bench {
// Runs the ffmpeg tool quietly with these arguments; true when it succeeded.
bool ffmpeg(const QStringList& args);
// The fastest of `runs` runs of `task`, in milliseconds; -1 when a run failed.
double bestOf(int runs, const std::function<bool()>& task);
}  // namespace bench
