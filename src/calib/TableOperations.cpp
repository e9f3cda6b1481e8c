#include "TableOperations.h"

#include "params/ParameterSet.h"

#include <algorithm>
#include <cmath>

namespace {

using TableOperations::cellOf;

// num / den rounded half away from zero, in whole numbers so that a result that lies exactly
// half way (100.5 between 100 and 101) always goes the same way; den > 0.
long long roundedQuotient(long long num, long long den) {
    const long long magnitude = (2 * (num < 0 ? -num : num) + den) / (2 * den);
    return num < 0 ? -magnitude : magnitude;
}

// Runs `result(row, column, selection)` over the selected cells, holds each result within
// 100..150 and notes what changed. Every operation reads the table as it stood before it
// (`values`), never a cell it has already changed.
template <class Result>
TableChange apply(const KtarValues& values, const TableSelection& selection, Result result) {
    // A selection built by hand could name cells off the table.
    const TableSelection s =
        TableSelection::spanning(selection.top, selection.left, selection.bottom, selection.right);
    TableChange out;
    out.values = values;
    for (int row = s.top; row <= s.bottom; ++row) {
        for (int column = s.left; column <= s.right; ++column) {
            long long v = result(row, column, s);
            if (v < TableMin || v > TableMax) {
                v = std::clamp<long long>(v, TableMin, TableMax);
                ++out.held;
            }
            const int cell = cellOf(row, column);
            out.values[cell] = static_cast<int>(v);
            out.changed[cell] = out.values[cell] != values[cell];
        }
    }
    return out;
}

} // namespace

TableSelection TableSelection::spanning(int rowA, int columnA, int rowB, int columnB) {
    const auto kept = [](int i) { return std::clamp(i, 0, TableSide - 1); };
    return {kept(std::min(rowA, rowB)), kept(std::min(columnA, columnB)),
            kept(std::max(rowA, rowB)), kept(std::max(columnA, columnB))};
}

namespace TableOperations {

KtarValues fromSet(const ParameterSet& set) {
    KtarValues values{};
    for (int cell = 0; cell < TableSize; ++cell)
        values[cell] = set.ktar(cell + 1);
    return values;
}

void storeInto(const KtarValues& values, ParameterSet& set) {
    for (int cell = 0; cell < TableSize; ++cell)
        set.setKtar(cell + 1, values[cell]);
}

TableChange fill(const KtarValues& values, const TableSelection& selection,
                 const std::function<long long(int row, int column)>& valueAt) {
    return apply(values, selection, [&valueAt](int row, int column, const TableSelection&) {
        return valueAt(row, column);
    });
}

TableChange setTo(const KtarValues& values, const TableSelection& selection, int value) {
    return apply(values, selection, [value](int, int, const TableSelection&) { return value; });
}

TableChange add(const KtarValues& values, const TableSelection& selection, int delta) {
    return apply(values, selection, [&](int row, int column, const TableSelection&) {
        return static_cast<long long>(values[cellOf(row, column)]) + delta;
    });
}

TableChange changeByPercent(const KtarValues& values, const TableSelection& selection,
                            double percent) {
    if (!std::isfinite(percent)) percent = 0;
    // Past -100 % or +1000 % every cell of 100..150 is held at a limit anyway; the bound keeps
    // the whole-number arithmetic below far from overflowing.
    const long long hundredths = std::llround(std::clamp(percent, -100.0, 1000.0) * 100);
    return apply(values, selection, [&](int row, int column, const TableSelection&) {
        return roundedQuotient(values[cellOf(row, column)] * (10000 + hundredths), 10000);
    });
}

TableChange interpolate(const KtarValues& values, const TableSelection& selection,
                        Interpolation how) {
    const auto at = [&values](int row, int column) {
        return static_cast<long long>(values[cellOf(row, column)]);
    };
    return apply(values, selection, [&](int row, int column, const TableSelection& s) {
        // The four cells this one lies between; along a row or a column two of them coincide.
        const int top = how == Interpolation::Rows ? row : s.top;
        const int bottom = how == Interpolation::Rows ? row : s.bottom;
        const int left = how == Interpolation::Columns ? column : s.left;
        const int right = how == Interpolation::Columns ? column : s.right;
        // Weights as whole numbers over a common denominator; a single row or column
        // weighs its one end fully.
        const long long height = std::max(bottom - top, 1);
        const long long width = std::max(right - left, 1);
        const long long down = row - top;
        const long long across = column - left;
        const long long num = at(top, left) * (height - down) * (width - across) +
                              at(top, right) * (height - down) * across +
                              at(bottom, left) * down * (width - across) +
                              at(bottom, right) * down * across;
        return roundedQuotient(num, height * width);
    });
}

TableChange smooth(const KtarValues& values, const TableSelection& selection) {
    return apply(values, selection, [&values](int row, int column, const TableSelection&) {
        long long sum = 0;
        long long count = 0;
        constexpr int Steps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        for (const auto& step : Steps) {
            const int r = row + step[0];
            const int c = column + step[1];
            if (r < 0 || r >= TableSide || c < 0 || c >= TableSide) continue;
            sum += values[cellOf(r, c)];
            ++count;
        }
        // old + (sum / count - old) / 2, over the common denominator 2 * count.
        const long long old = values[cellOf(row, column)];
        return roundedQuotient(count * old + sum, 2 * count);
    });
}

} // namespace TableOperations
