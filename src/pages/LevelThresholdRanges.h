#pragma once

// A scroll bar's limits, low <= high.
struct ScrollRange {
    int low;
    int high;
    bool operator==(const ScrollRange&) const = default;
};

// The limits of the level page's three threshold scroll bars, which keep the thresholds
// increasing: the first 10 .. second - 1, the second first + 1 .. third - 1, the third
// second + 1 .. 100. Each range is widened to include the threshold its bar shows, because a
// stored set may hold equal thresholds and a bar clamps its value into its range: the page
// would then change a threshold the fitter never touched. Recompute all three after any move.
struct LevelThresholdRanges {
    ScrollRange first;  // VScroll3, LevelThreshold1
    ScrollRange second; // VScroll2, LevelThreshold2
    ScrollRange third;  // VScroll1, LevelThreshold3

    static LevelThresholdRanges around(int threshold1, int threshold2, int threshold3);
    bool operator==(const LevelThresholdRanges&) const = default;
};
