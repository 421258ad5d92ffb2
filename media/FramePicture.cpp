#include "FramePicture.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
}

#include <cstring>

namespace {
constexpr int kSpareBytes = 8;
}

bool FramePicture::allocate(int w, int h, int format)
{
    release();
    const int size = av_image_get_buffer_size(AVPixelFormat(format), w, h, 1);
    if (w <= 0 || h <= 0 || size <= 0)
        return false;
    buffer.reset(static_cast<uint8_t*>(av_mallocz(size_t(size) + kSpareBytes)));
    if (!buffer)
        return false;
    if (av_image_fill_arrays(data, linesize, buffer.get(), AVPixelFormat(format), w, h, 1) < 0) {
        release();
        return false;
    }
    bufferSize = size;
    width = w;
    height = h;
    pixelFormat = format;
    allocated = true;
    return true;
}

bool FramePicture::copyFrom(const FramePicture& other)
{
    if (!other.allocated)
        return false;
    if (!allocated && !allocate(other.width, other.height, other.pixelFormat))
        return false;
    if (width != other.width || height != other.height || pixelFormat != other.pixelFormat)
        return false;
    std::memcpy(buffer.get(), other.buffer.get(), size_t(bufferSize));
    time = other.time;
    return true;
}

void FramePicture::release()
{
    buffer.reset();
    for (int i = 0; i < 4; ++i) {
        data[i] = nullptr;
        linesize[i] = 0;
    }
    bufferSize = 0;
    width = 0;
    height = 0;
    allocated = false;
    pixelFormat = AV_PIX_FMT_NONE;
}
