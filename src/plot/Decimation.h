#pragma once

#include "MinMaxIndex.h"
#include "PlotSeries.h"

#include <vector>

// The points of a curve worth drawing in a plot `widthPx` pixels wide showing `range`.
//
// Each pixel column gets, in time order, the first, the smallest, the largest and the last
// finite sample whose time falls into it (fewer when they coincide): at most four points,
// and every peak and dip of the data stays on screen at any zoom, as do the lines from one
// column to the next. The sample just before the range and the one just after it are kept
// too, so that the curve runs to both edges. A gap (NaN) in the data becomes a NaN point
// between the columns around it, where the line must stop. Times in the range that no
// sample falls into give no point.
//
// Pixel column c holds the times from begin + c * w up to, not including, begin + (c + 1) * w,
// w = (end - begin) / widthPx; the last column also holds `end`. Nothing is drawn for an
// empty or reversed range, a width below 1, or a range the arithmetic cannot span.
// `index` must be built from s.v (otherwise every sample is looked at, which is only slow).
std::vector<PlotPoint> decimate(const Series& s, const MinMaxIndex& index, TimeRange range,
                                int widthPx);

// The runs of one value in a step curve (the fuel band), from points in time order: a run
// lasts from its first point to the next point that differs, or to its own last point when
// a gap or the end follows. NaN values belong to no run.
struct StepRun {
    double begin = 0;
    double end = 0;
    double value = 0;
};
std::vector<StepRun> stepRuns(const std::vector<PlotPoint>& points);
