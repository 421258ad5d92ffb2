#pragma once
// PlotSeekIndex: where the audio frames of one media file lie, as a demuxer found them
// while reading it through. A later worker on the same file seeks with it at once and
// exactly, instead of reading the file up to the seek point again. Plain data, shared
// read-only between the GUI thread and the workers it is handed to.
#include "FileIdentity.h"

#include <cstdint>
#include <vector>

struct PlotSeekIndex {
    struct Point {
        std::int64_t position = 0;   // byte offset in the file
        std::int64_t timestamp = 0;  // in the audio stream's time base
        int size = 0;
        int distance = 0;
        int flags = 0;
    };
    // The file the points describe; a file changed since then does not use them.
    FileIdentity file;
    std::vector<Point> points;
};
