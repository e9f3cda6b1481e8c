#pragma once

#include "TableOperations.h"

// Filling the cells a cell-by-cell calibration has not reached from those it has.
namespace TableFill {

// At least the four corner cells of one rectangle (two rows and two columns apart) are
// calibrated: there is a region to fill between.
bool canFill(const KtarCells& calibrated);

// Every cell not calibrated takes a value from the calibrated ones; calibrated cells keep
// theirs. Inside: linear along rpm (a row) and along injection time (a column) between the
// nearest known cells on either side, the mean of the two where both exist, repeated so
// that filled cells carry the values on into rows and columns with no calibrated cell.
// Outside every span: held at the nearest known value of the row or column. Whole numbers,
// held within 100..150 like every table operation. Nothing calibrated: nothing changes.
TableChange fromCalibrated(const KtarValues& values, const KtarCells& calibrated);

} // namespace TableFill
