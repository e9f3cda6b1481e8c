#pragma once

#include <span>

// A curve as the plotting code reads it: sample times in seconds, never decreasing, and one
// value per time. A NaN value is a gap: no sample there, so no line is drawn through it and
// the cursor reads nothing. Both spans have the same length and belong to the caller.
struct Series {
    std::span<const double> t;
    std::span<const double> v;
};

// A point to draw, in data units. A NaN value lifts the pen: the line stops there and starts
// again at the next point.
struct PlotPoint {
    double t = 0;
    double v = 0;
};

// A stretch of the time axis, in seconds.
struct TimeRange {
    double begin = 0;
    double end = 0;
};

// How a curve is read between two samples: a measured value changes gradually, so linear
// between the two; a state (the fuel, the ECU state, the calibration phase) holds until the
// next sample says otherwise.
enum class ReadRule { Linear, Step };
