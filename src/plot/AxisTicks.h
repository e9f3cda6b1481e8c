#pragma once

#include "PlotSeries.h"

#include <QString>
#include <vector>

// Where the ticks of a plot's axes go and how their labels read. Pure arithmetic: the
// painting code draws what it is given, and these are tested on their own.

// How times are written: "75.5" (seconds), "1:15.5" (minutes), "0:01:15.5" (hours). One
// style for a whole axis, so that its labels do not change form half way along.
enum class TimeStyle { Seconds, Minutes, Hours };

struct TimeTicks {
    double step = 0; // seconds between ticks
    TimeStyle style = TimeStyle::Seconds;
    int decimals = 0;       // of the seconds, enough to tell two ticks apart
    std::vector<double> at; // tick times within the range, ascending
};

// Ticks at least minSpacingPx apart on an axis widthPx wide: steps of 1, 2 or 5 tenths,
// hundredths... of a second; 1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15, 30 min; 1, 2, 3, 6,
// 12 h; then 1, 2, 5... days. No ticks for an empty or reversed range or a width below 1.
TimeTicks timeTicks(TimeRange range, int widthPx, int minSpacingPx);

QString timeText(double seconds, TimeStyle style, int decimals);

// A value axis: bounds widened to whole steps of 1, 2 or 5 times a power of ten, with at most
// maxTicks steps between them. A flat curve gets a band around its value; non-finite bounds
// give 0..1.
struct ValueScale {
    double low = 0;
    double high = 1;
    double step = 0.2;
    int decimals = 1; // of the tick labels
};
ValueScale valueScale(double low, double high, int maxTicks);
std::vector<double> valueTicks(const ValueScale& scale);
