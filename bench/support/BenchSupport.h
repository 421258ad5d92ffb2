#pragma once
// Helpers shared by the benchmarks: the ffmpeg tool as the reference, timing of repeated runs
// and the machine-readable result line that bench/report.sh gathers into one table.
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

namespace bench {
// Runs the ffmpeg tool quietly with these arguments; true when it succeeded.
bool ffmpeg(const QStringList& args);
// The median of the values; -1 when there are none.
double median(std::vector<double> values);
// The median wall time of `runs` runs of `task`, in milliseconds; -1 when a run failed.
double medianOf(int runs, const std::function<bool()>& task);
// The median wall times in milliseconds of `runs` runs each of `measured` and `reference`,
// taking turns so that a change in the machine's load hits both alike; -1 when a run failed.
std::pair<double, double> medianPair(int runs, const std::function<bool()>& measured,
                                     const std::function<bool()>& reference);
// One result as a tab-separated line starting with "ROW", for the report:
// measurement, value, reference, ratio (value / reference, or none when negative), target,
// and whether the target is met.
void row(const QString& measurement, const QString& value, const QString& reference, double ratio,
         const QString& target, bool met);
// A number with one decimal and its unit, e.g. "12.3 ms".
QString amount(double value, const char* unit, int decimals = 1);
}  // namespace bench
