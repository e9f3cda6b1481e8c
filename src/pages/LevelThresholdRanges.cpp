#include "LevelThresholdRanges.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// value + delta, held inside int: a neighbour's limit is one away from it, and a value from a
// damaged set must not overflow on the way.
int beside(int value, int delta) {
    const std::int64_t v = std::int64_t{value} + delta;
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

ScrollRange including(int value, int low, int high) {
    return {std::min(low, value), std::max(high, value)};
}

} // namespace

LevelThresholdRanges LevelThresholdRanges::around(int threshold1, int threshold2, int threshold3) {
    return {including(threshold1, 10, beside(threshold2, -1)),
            including(threshold2, beside(threshold1, 1), beside(threshold3, -1)),
            including(threshold3, beside(threshold2, 1), 100)};
}
