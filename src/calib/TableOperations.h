#pragma once

#include "params/ParameterId.h"

#include <array>
#include <bitset>
#include <functional>

class ParameterSet;

// The correction table as the calibration page edits it: cell 8 * row + column, rows of
// injection time (top to bottom on the grid), columns of rpm (left to right). Values are kept
// as typed, so an edit may hold a number out of 100..150 until MODIFICA refuses it.
using KtarValues = std::array<int, TableSize>;
using KtarCells = std::bitset<TableSize>;

inline constexpr int TableSide = 8;

// A rectangle of cells, corners included; rows and columns 0..7.
struct TableSelection {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;

    // The rectangle spanned by two cells in any order (anchor and current cell of a drag),
    // kept on the table.
    static TableSelection spanning(int rowA, int columnA, int rowB, int columnB);
    static TableSelection cell(int row, int column) { return spanning(row, column, row, column); }
    static TableSelection whole() { return {0, 0, TableSide - 1, TableSide - 1}; }

    int rows() const { return bottom - top + 1; }
    int columns() const { return right - left + 1; }
    bool contains(int row, int column) const {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool operator==(const TableSelection&) const = default;
};

// What an operation did. Results are whole numbers rounded half away from zero (2.5 -> 3,
// -2.5 -> -3); a result outside 100..150 is held at the nearer limit and counted.
struct TableChange {
    KtarValues values{}; // the whole table after the operation
    KtarCells changed;   // cells whose value the operation changed
    int held = 0;        // cells held at 100 or 150
};

namespace TableOperations {

inline constexpr int cellOf(int row, int column) {
    return TableSide * row + column;
}

KtarValues fromSet(const ParameterSet& set);
void storeInto(const KtarValues& values, ParameterSet& set);

// Each selected cell to `valueAt(row, column)`, held within 100..150 like every operation.
TableChange fill(const KtarValues& values, const TableSelection& selection,
                 const std::function<long long(int row, int column)>& valueAt);
TableChange setTo(const KtarValues& values, const TableSelection& selection, int value);
TableChange add(const KtarValues& values, const TableSelection& selection, int delta);
// Each cell times (100 + percent) / 100. The percentage counts to a hundredth; a percentage
// that is not a finite number changes nothing.
TableChange changeByPercent(const KtarValues& values, const TableSelection& selection,
                            double percent);

enum class Interpolation {
    Bilinear, // from the selection's four corner cells
    Rows,     // each row between its first and last cell of the selection
    Columns,  // each column between its top and bottom cell of the selection
};
TableChange interpolate(const KtarValues& values, const TableSelection& selection,
                        Interpolation how);

// One smoothing step: every selected cell moves half way toward the mean of its neighbours
// (the cells beside, above and below it on the table, selected or not; two or three at an
// edge). All cells are taken from the table as it stood before the step, so the result does
// not depend on the order cells are visited in.
TableChange smooth(const KtarValues& values, const TableSelection& selection);

} // namespace TableOperations
