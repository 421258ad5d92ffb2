#pragma once
// WavePeaks: the fine peaks of a decoded range, gathered while it is decoded and laid out on
// the picture's columns once its true length is known. Each block of `blockFrames()` sample
// frames keeps the lowest and highest value of all its channels (both counted from 0, as a
// column is). The blocks are bounded: when kMaxBlocks are full, neighbours are merged in
// pairs and the block length doubles, so a file of any length costs at most kMaxBlocks peaks
// and every column still gathers many blocks.
//
// Used by one waveform worker at a time, in that worker's thread; plain data afterwards.
#include <cstddef>
#include <cstdint>
#include <vector>

class WaveColumns;

class WavePeaks {
public:
    static constexpr std::size_t kMaxBlocks = std::size_t(1) << 16;
    static constexpr std::int64_t kFirstBlockFrames = 16;

    struct Peak {
        std::int16_t low = 0;
        std::int16_t high = 0;
        friend bool operator==(const Peak& a, const Peak& b)
        {
            return a.low == b.low && a.high == b.high;
        }
    };

    // Starts empty, for interleaved values of `channels` channels.
    void reset(int channels);
    // Walks interleaved values in order.
    void add(const std::int16_t* values, std::size_t count);
    // `frames` frames of silence, where the stream has no sound yet.
    void addSilence(std::int64_t frames);
    // Closes the block that was filling when the values ran out.
    void finish();

    // Frames walked so far (silence included).
    std::int64_t frames() const { return walked; }
    std::int64_t blockFrames() const { return blockLength; }
    const std::vector<Peak>& blocks() const { return peaks; }
    int channels() const { return channelCount; }
    // Rebuilds from stored blocks (frames walked, block length, peaks).
    void assign(int channels, std::int64_t frames, std::int64_t blockFrames,
                std::vector<Peak> blocks);

    // Appends `tail`, the peaks of the frames that follow these ones (gathered from a frame
    // count of 0, then finished), so that the blocks are those one walk over both would have
    // gathered. Possible when both block lengths divide the frames walked here (then no block
    // of either side straddles a block of the whole); false, and nothing changes, otherwise.
    bool append(const WavePeaks& tail);
    // Block length a walk over this many frames ends with.
    static std::int64_t blockFramesFor(std::int64_t frames);

    // Paints the columns: column c covers frames [c * layout / n, (c + 1) * layout / n) of the
    // range, n being the column count; a column past the walked frames stays black.
    void render(WaveColumns& columns, std::int64_t layoutFrames) const;

private:
    void closeBlock();
    void mergePairs();

    std::vector<Peak> peaks;
    Peak current;
    std::int64_t blockLength = kFirstBlockFrames;
    std::int64_t inBlock = 0;  // values (not frames) in the current block
    std::int64_t walked = 0;   // whole frames walked
    std::int64_t values = 0;   // values walked, for the frame count
    int channelCount = 1;
};
