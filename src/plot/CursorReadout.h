#pragma once

#include "PlotSeries.h"

// What the cursor reads on a curve at time t (seconds).
//
// Linear: the straight line between the sample at or before t and the one after it; exactly
// at a sample, that sample. Step: the sample at or before t. NaN when there is nothing to
// read: before the first sample, after the last, or where either sample the rule needs is a
// gap. A linear curve is read at a time between two samples because that is where the cursor
// usually stands: the log has a line every 50 ms, the live record comes every 150 ms.
double readAt(const Series& s, double t, ReadRule rule);

// The time of the sample after (`direction` > 0) or before (< 0) time t, where the arrow keys
// take the cursor; t itself when there is none that way.
double neighbourTime(const Series& s, double t, int direction);
