#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Where the smallest and largest finite value of any stretch of a curve lie, found without
// visiting every sample: a zoomed-out view of a ten-hour log holds 720,000 samples per curve,
// and a repaint must not walk them all. Blocks of 16 samples, of 16 such blocks and so on
// keep the index of their extremes; a query combines a few dozen blocks and at most 15
// single samples at each end of each level.
//
// The index holds positions, not values: every query takes the values it was built from,
// so nothing here can outlive or disagree with the curve it describes.
class MinMaxIndex {
public:
    struct Extremes {
        std::int64_t min = -1; // -1: no finite value in the stretch
        std::int64_t max = -1;
    };

    MinMaxIndex() = default;
    explicit MinMaxIndex(std::span<const double> values);

    // The samples [begin, end) are taken as they are; a stretch outside the values is cut to
    // them. Ties go to the earliest sample.
    Extremes extremes(std::span<const double> values, std::int64_t begin, std::int64_t end) const;
    // The first and last sample of [begin, end) holding a finite value, or -1.
    std::int64_t firstFinite(std::span<const double> values, std::int64_t begin,
                             std::int64_t end) const;
    std::int64_t lastFinite(std::span<const double> values, std::int64_t begin,
                            std::int64_t end) const;

    // Whether the index was built from values of this length.
    std::int64_t size() const { return m_size; }

private:
    struct Block {
        std::int32_t min = -1;
        std::int32_t max = -1;
    };
    static constexpr int Shift = 4; // 16 samples or blocks per block of the next level

    static std::int64_t blockSize(int level) { return std::int64_t{1} << (Shift * level); }
    // Samples at levels 0, blocks above; -1 when none of them is finite.
    Extremes at(std::span<const double> values, int level, std::int64_t first) const;
    // The highest level, at most `cap`, whose blocks are aligned to `at` and no longer than
    // `room`: the block that starts there going forwards, or ends there going backwards.
    int largestBlock(std::int64_t at, std::int64_t room, int cap) const;
    // Cuts [begin, end) to the values; the levels that may be used with them.
    int usableLevels(std::span<const double> values, std::int64_t& begin, std::int64_t& end) const;

    std::int64_t m_size = 0;
    std::vector<std::vector<Block>> m_levels; // m_levels[k] holds the blocks of level k + 1
};
