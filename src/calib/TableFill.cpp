#include "TableFill.h"

#include <array>
#include <cmath>

namespace {

using TableOperations::cellOf;

// Values known so far (calibrated, or filled by an earlier pass), unrounded.
struct Known {
    std::array<double, TableSize> value{};
    KtarCells known;
};

// The cell at `step` along a line: a row (cells of one injection time, across rpm) or a
// column.
struct Line {
    bool isRow;
    int index;
    int cell(int step) const { return isRow ? cellOf(index, step) : cellOf(step, index); }
};

// What one pass proposes for the cells still unknown: sums and counts, so that a cell
// reached along its row and along its column takes the mean of both.
struct Proposal {
    std::array<double, TableSize> sum{};
    std::array<int, TableSize> count{};

    void add(int cell, double v) {
        sum[cell] += v;
        ++count[cell];
    }
    bool apply(Known& k) const {
        bool any = false;
        for (int cell = 0; cell < TableSize; ++cell) {
            if (count[cell] == 0) continue;
            k.value[cell] = sum[cell] / count[cell];
            k.known[cell] = true;
            any = true;
        }
        return any;
    }
};

// Between known cells on a line: linear in the cell steps.
void interpolateAlong(const Line& line, const Known& k, Proposal& p) {
    int previous = -1;
    for (int step = 0; step < TableSide; ++step) {
        if (!k.known[line.cell(step)]) continue;
        if (previous >= 0 && step - previous > 1) {
            const double from = k.value[line.cell(previous)];
            const double to = k.value[line.cell(step)];
            for (int between = previous + 1; between < step; ++between)
                p.add(line.cell(between),
                      from + (to - from) * (between - previous) / (step - previous));
        }
        previous = step;
    }
}

// Before the first and after the last known cell of a line: held at that cell's value.
void holdAlong(const Line& line, const Known& k, Proposal& p) {
    int first = -1;
    int last = -1;
    for (int step = 0; step < TableSide; ++step) {
        if (!k.known[line.cell(step)]) continue;
        if (first < 0) first = step;
        last = step;
    }
    if (first < 0) return;
    for (int step = 0; step < first; ++step)
        p.add(line.cell(step), k.value[line.cell(first)]);
    for (int step = last + 1; step < TableSide; ++step)
        p.add(line.cell(step), k.value[line.cell(last)]);
}

// Passes of `along` over every row and column until a pass finds nothing more to fill.
template <class Along> void repeat(Known& k, Along along) {
    for (;;) {
        Proposal p;
        for (int i = 0; i < TableSide; ++i) {
            along(Line{true, i}, k, p);
            along(Line{false, i}, k, p);
        }
        if (!p.apply(k)) return;
    }
}

} // namespace

namespace TableFill {

bool canFill(const KtarCells& calibrated) {
    for (int top = 0; top < TableSide; ++top)
        for (int bottom = top + 1; bottom < TableSide; ++bottom)
            for (int left = 0; left < TableSide; ++left)
                for (int right = left + 1; right < TableSide; ++right)
                    if (calibrated[cellOf(top, left)] && calibrated[cellOf(top, right)] &&
                        calibrated[cellOf(bottom, left)] && calibrated[cellOf(bottom, right)])
                        return true;
    return false;
}

TableChange fromCalibrated(const KtarValues& values, const KtarCells& calibrated) {
    Known k;
    for (int cell = 0; cell < TableSize; ++cell)
        if (calibrated[cell]) k.value[cell] = values[cell];
    k.known = calibrated;
    if (calibrated.any()) {
        // All that interpolation reaches first, so that holding never stands in for a span
        // that has known cells on both sides.
        repeat(k, interpolateAlong);
        repeat(k, holdAlong);
    }
    return TableOperations::fill(values, TableSelection::whole(), [&](int row, int column) {
        const int cell = cellOf(row, column);
        if (!k.known[cell]) return static_cast<long long>(values[cell]);
        // Half way between two whole numbers goes away from zero like every table operation;
        // the nudge keeps a 112.5 that came out as 112.4999999 from going the other way.
        const double v = k.value[cell];
        return std::llround(v + (v < 0 ? -1e-9 : 1e-9));
    });
}

} // namespace TableFill
