#pragma once
// FramePicture: one decoded picture in a single buffer (planes point into it, 8 spare bytes
// at the end, zero-filled), with its size, pixel format and time. The video thread fills its
// own picture; the display copies it into its ring. Private to the media library.
extern "C" {
#include <libavutil/pixfmt.h>
}

#include "FFmpegHandles.h"

#include <cstdint>

struct FramePicture {
    uint8_t* data[4] = {nullptr, nullptr, nullptr, nullptr};
    int linesize[4] = {0, 0, 0, 0};
    ffmpeg::BufferPtr buffer;
    int bufferSize = 0;  // picture bytes, without the spare bytes
    int width = 0;
    int height = 0;
    bool allocated = false;
    double time = 0;  // seconds
    int pixelFormat = AV_PIX_FMT_NONE;

    // Allocate the buffer for a picture of this size and format; false when that fails or
    // the arguments make no picture. An allocated picture is released first.
    bool allocate(int w, int h, int format);
    // Copy `other` (buffer and time) when its size and format equal this picture's; a picture
    // not yet allocated is allocated for `other` first. False when nothing was copied.
    bool copyFrom(const FramePicture& other);
    void release();
};
