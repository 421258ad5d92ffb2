#pragma once
// Two-line time texts of the practice rows: position above total, "%02d:%02d:%02d" each,
// whole seconds truncated toward zero.
#include <QString>

namespace timetext {
// hh:mm:ss of a whole number of seconds.
QString clock(int seconds);
// Seconds given as a float, truncated toward zero first.
QString clock(double seconds);
// "position\ntotal".
QString rows(double position, double total);
// Both rows at zero: a row with nothing to play.
inline QString zeroRows() { return rows(0, 0); }
}  // namespace timetext
