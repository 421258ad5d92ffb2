#include "TimeText.h"

#include <cmath>
#include <limits>

namespace timetext {

QString clock(int s)
{
    return QString::asprintf("%02d:%02d:%02d", s / 3600, (s % 3600) / 60, s % 60);
}

QString clock(double seconds)
{
    // NaN, negative values and values beyond int range (a broken duration or a position a
    // hair before the start) read as zero rather than as garbage digits.
    if (!std::isfinite(seconds) || seconds < 0 || seconds > std::numeric_limits<int>::max())
        return clock(0);
    return clock(static_cast<int>(seconds));
}

QString rows(double position, double total)
{
    return clock(position) + QLatin1Char('\n') + clock(total);
}

}  // namespace timetext
