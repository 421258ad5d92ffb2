#include "PlotIdentifier.h"

bool operator==(const PlotIdentifier& a, const PlotIdentifier& b)
{
    return a.path == b.path && a.start == b.start && a.end == b.end;
}

bool operator!=(const PlotIdentifier& a, const PlotIdentifier& b) { return !(a == b); }

bool operator<(const PlotIdentifier& a, const PlotIdentifier& b)
{
    const int c = a.path.compare(b.path);
    if (c != 0)
        return c < 0;
    if (a.start != b.start)
        return a.start < b.start;
    return a.end < b.end;
}
