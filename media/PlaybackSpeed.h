#pragma once
// The speeds a material can play at: from half to one and a half times its own pace, in steps
// of a tenth. A speed travels as a whole number of tenths, so that stored and shown values
// are exact; the engine takes the factor. Header only, used by any thread.
#include <algorithm>

namespace playspeed {
constexpr int kSlowest = 5;   // 0.5x
constexpr int kNormal = 10;   // 1.0x: the material's own pace
constexpr int kFastest = 15;  // 1.5x

// Held to the playable range.
constexpr int clamp(int tenths) { return std::clamp(tenths, kSlowest, kFastest); }
// The pace factor of a speed in tenths.
constexpr double factor(int tenths) { return double(clamp(tenths)) / kNormal; }
}  // namespace playspeed
