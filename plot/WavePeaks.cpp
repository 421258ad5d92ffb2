#include "WavePeaks.h"

#include "WaveColumns.h"

#include <algorithm>

void WavePeaks::reset(int channels)
{
    peaks.clear();
    current = {};
    blockLength = kFirstBlockFrames;
    inBlock = 0;
    walked = 0;
    values = 0;
    channelCount = std::max(channels, 1);
}

void WavePeaks::add(const std::int16_t* data, std::size_t count)
{
    const std::int64_t perBlock = blockLength * channelCount;
    std::int16_t low = current.low;
    std::int16_t high = current.high;
    std::size_t i = 0;
    while (i < count) {
        const std::size_t run = std::min<std::size_t>(count - i, std::size_t(perBlock - inBlock));
        for (std::size_t k = 0; k < run; ++k) {
            const std::int16_t v = data[i + k];
            low = std::min(low, v);
            high = std::max(high, v);
        }
        i += run;
        inBlock += std::int64_t(run);
        values += std::int64_t(run);
        if (inBlock == blockLength * channelCount) {
            current = {low, high};
            closeBlock();
            low = high = 0;
            if (blockLength * channelCount != perBlock) {
                // The blocks were merged: the rest goes into longer blocks.
                current = {};
                add(data + i, count - i);
                return;
            }
        }
    }
    current = {low, high};
    walked = values / channelCount;
}

void WavePeaks::addSilence(std::int64_t frames)
{
    // Silence keeps the peaks at 0: only the count moves, block by block.
    while (frames > 0) {
        const std::int64_t room = blockLength - inBlock / channelCount;
        const std::int64_t step = std::min(frames, room);
        inBlock += step * channelCount;
        values += step * channelCount;
        frames -= step;
        if (inBlock == blockLength * channelCount)
            closeBlock();
    }
    walked = values / channelCount;
}

void WavePeaks::closeBlock()
{
    peaks.push_back(current);
    current = {};
    inBlock = 0;
    walked = values / channelCount;
    if (peaks.size() >= kMaxBlocks)
        mergePairs();
}

void WavePeaks::mergePairs()
{
    const std::size_t half = peaks.size() / 2;
    for (std::size_t b = 0; b < half; ++b) {
        const Peak& a = peaks[2 * b];
        const Peak& c = peaks[2 * b + 1];
        peaks[b] = {std::min(a.low, c.low), std::max(a.high, c.high)};
    }
    peaks.resize(half);
    blockLength *= 2;
}

void WavePeaks::finish()
{
    if (inBlock > 0) {
        // The last block is short; it is kept as it is and counts for its frames only.
        peaks.push_back(current);
        current = {};
        inBlock = 0;
    }
    walked = values / channelCount;
}

void WavePeaks::assign(int channels, std::int64_t frames, std::int64_t blockFrames,
                       std::vector<Peak> blocks)
{
    reset(channels);
    walked = frames;
    values = frames * channelCount;
    blockLength = std::max<std::int64_t>(blockFrames, 1);
    peaks = std::move(blocks);
}

std::int64_t WavePeaks::blockFramesFor(std::int64_t frames)
{
    // The blocks merge each time kMaxBlocks of them are closed.
    std::int64_t length = kFirstBlockFrames;
    while (frames >= std::int64_t(kMaxBlocks) * length)
        length *= 2;
    return length;
}

bool WavePeaks::append(const WavePeaks& tail)
{
    const std::int64_t head = walked;
    if (tail.channelCount != channelCount || inBlock != 0 || head % blockLength != 0 ||
        head % tail.blockLength != 0)
        return false;
    const std::int64_t total = head + tail.walked;
    const std::int64_t length = blockFramesFor(total);
    std::vector<Peak> joined(std::size_t((total + length - 1) / length));
    const auto gather = [&](const std::vector<Peak>& blocks, std::int64_t from,
                            std::int64_t blockFrames) {
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            Peak& into = joined[std::size_t((from + std::int64_t(b) * blockFrames) / length)];
            into.low = std::min(into.low, blocks[b].low);
            into.high = std::max(into.high, blocks[b].high);
        }
    };
    gather(peaks, 0, blockLength);
    gather(tail.peaks, head, tail.blockLength);
    peaks = std::move(joined);
    blockLength = length;
    values += tail.values;
    walked = total;
    current = {};
    return true;
}

void WavePeaks::render(WaveColumns& columns, std::int64_t layoutFrames) const
{
    const int n = WaveColumns::kColumns;
    columns.clear();
    if (layoutFrames <= 0 || peaks.empty())
        return;
    const auto count = std::int64_t(peaks.size());
    for (int c = 0; c < n; ++c) {
        const std::int64_t from = c * layoutFrames / n;
        const std::int64_t to = std::max((c + 1) * layoutFrames / n, from + 1);
        if (from >= walked)
            break;
        const std::int64_t first = from / blockLength;
        const std::int64_t last = std::min((to - 1) / blockLength, count - 1);
        Peak column;
        for (std::int64_t b = first; b <= last; ++b) {
            column.low = std::min(column.low, peaks[std::size_t(b)].low);
            column.high = std::max(column.high, peaks[std::size_t(b)].high);
        }
        columns.setColumn(c, column.low, column.high);
    }
}
