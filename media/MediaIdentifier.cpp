#include "MediaIdentifier.h"

#include <cstdint>
#include <tuple>

namespace {
auto key(const MediaIdentifier& m)
{
    return std::make_tuple(m.start, m.end, reinterpret_cast<std::uintptr_t>(m.audio),
                           reinterpret_cast<std::uintptr_t>(m.video));
}
}  // namespace

bool operator<(const MediaIdentifier& a, const MediaIdentifier& b)
{
    const int c = a.path.compare(b.path);
    if (c != 0)
        return c < 0;
    return key(a) < key(b);
}

bool sameChannel(const MediaIdentifier& a, const MediaIdentifier& b)
{
    return !(a < b) && !(b < a);
}
