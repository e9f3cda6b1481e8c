#include "MinMaxIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

MinMaxIndex::MinMaxIndex(std::span<const double> values)
    : m_size(static_cast<std::int64_t>(values.size())) {
    // Positions are kept in 32 bits to halve the index; a curve longer than that (far beyond
    // what the reader keeps) is simply scanned.
    if (m_size > std::numeric_limits<std::int32_t>::max()) return;
    std::int64_t below = m_size; // entries of the level underneath
    for (int level = 1; below > 1; ++level) {
        const std::int64_t count = (below + (1 << Shift) - 1) >> Shift;
        std::vector<Block> blocks(static_cast<std::size_t>(count));
        for (std::int64_t b = 0; b < count; ++b) {
            Extremes r;
            const std::int64_t from = b << Shift;
            const std::int64_t to = std::min(below, from + (1 << Shift));
            for (std::int64_t i = from; i < to; ++i) {
                const Extremes e = level == 1
                                       ? at(values, 0, i)
                                       : Extremes{m_levels.back()[i].min, m_levels.back()[i].max};
                if (e.min < 0) continue;
                if (r.min < 0 || values[e.min] < values[r.min]) r.min = e.min;
                if (r.max < 0 || values[e.max] > values[r.max]) r.max = e.max;
            }
            blocks[b] = {static_cast<std::int32_t>(r.min), static_cast<std::int32_t>(r.max)};
        }
        m_levels.push_back(std::move(blocks));
        below = count;
    }
}

MinMaxIndex::Extremes MinMaxIndex::at(std::span<const double> values, int level,
                                      std::int64_t first) const {
    if (level == 0) return std::isfinite(values[first]) ? Extremes{first, first} : Extremes{};
    const Block& b = m_levels[level - 1][first >> (Shift * level)];
    return {b.min, b.max};
}

int MinMaxIndex::largestBlock(std::int64_t at, std::int64_t room, int cap) const {
    int level = 0;
    while (level < cap && (at & (blockSize(level + 1) - 1)) == 0 && blockSize(level + 1) <= room)
        ++level;
    return level;
}

int MinMaxIndex::usableLevels(std::span<const double> values, std::int64_t& begin,
                              std::int64_t& end) const {
    const auto n = static_cast<std::int64_t>(values.size());
    begin = std::max<std::int64_t>(begin, 0);
    end = std::min(end, n);
    // An index built for other values would point past these ones: scan instead.
    return n == m_size ? static_cast<int>(m_levels.size()) : 0;
}

MinMaxIndex::Extremes MinMaxIndex::extremes(std::span<const double> values, std::int64_t begin,
                                            std::int64_t end) const {
    const int levels = usableLevels(values, begin, end);
    Extremes r;
    auto merge = [&](int level, std::int64_t i) {
        const Extremes e = at(values, level, i);
        if (e.min < 0) return;
        if (r.min < 0 || values[e.min] < values[r.min]) r.min = e.min;
        if (r.max < 0 || values[e.max] > values[r.max]) r.max = e.max;
    };
    // Up: the loose pieces of each level up to where a whole block of the next one starts,
    // while one still fits; then down: whole blocks of each level, largest first.
    std::int64_t i = begin;
    int level = 0;
    for (; level < levels; ++level) {
        const std::int64_t next = blockSize(level + 1);
        const std::int64_t boundary = (i + next - 1) & ~(next - 1);
        if (boundary + next > end) break;
        for (; i < boundary; i += blockSize(level))
            merge(level, i);
    }
    for (; level >= 0; --level)
        for (; i + blockSize(level) <= end; i += blockSize(level))
            merge(level, i);
    return r;
}

std::int64_t MinMaxIndex::firstFinite(std::span<const double> values, std::int64_t begin,
                                      std::int64_t end) const {
    const int levels = usableLevels(values, begin, end);
    if (begin < end && std::isfinite(values[begin])) return begin; // the usual case
    int cap = levels;
    for (std::int64_t i = begin; i < end;) {
        const int level = largestBlock(i, end - i, cap);
        if (level > 0 && at(values, level, i).min >= 0) {
            // The block holds a finite value: look inside it. Its sub-blocks are not aligned
            // to anything larger, so the search stays within it until the value is found.
            cap = level - 1;
            continue;
        }
        if (level == 0 && std::isfinite(values[i])) return i;
        i += blockSize(level);
        cap = levels;
    }
    return -1;
}

std::int64_t MinMaxIndex::lastFinite(std::span<const double> values, std::int64_t begin,
                                     std::int64_t end) const {
    const int levels = usableLevels(values, begin, end);
    if (begin < end && std::isfinite(values[end - 1])) return end - 1;
    int cap = levels;
    for (std::int64_t j = end; j > begin;) {
        const int level = largestBlock(j, j - begin, cap);
        const std::int64_t first = j - blockSize(level);
        if (level > 0 && at(values, level, first).min >= 0) {
            cap = level - 1;
            continue;
        }
        if (level == 0 && std::isfinite(values[first])) return first;
        j = first;
        cap = levels;
    }
    return -1;
}
