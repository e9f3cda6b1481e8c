#pragma once

// One cell of KtarTable by its place on the calibration page's grid: row 0..7 of injection
// time (top to bottom), column 0..7 of rpm (left to right). The ECU addresses it as entry
// index() + 1.
struct TableCell {
    int row = 0;
    int column = 0;

    int index() const { return 8 * row + column; }
    static TableCell ofIndex(int index) { return {index / 8, index % 8}; }
    bool operator==(const TableCell&) const = default;
};
