#pragma once

#include "TableOperations.h"

#include <QString>

// What a paste did, or why it did nothing.
struct TablePaste {
    enum class Status {
        Pasted,
        Empty,           // no value in the text
        NotAWholeNumber, // `content` at `line`, `field` of the text
        Ragged,          // `line` holds a different number of values from the first line
        OffTheTable,     // a block of `rows` x `columns` from (`top`, `left`) does not fit
        OutOfRange,      // `content` at `line`, `field` lies outside 100..150
    };
    Status status = Status::Empty;
    int line = 0;  // 1-based, in the pasted text
    int field = 0; // 1-based, in that line
    QString content;
    int rows = 0; // the block's size, once it is known
    int columns = 0;
    int top = 0; // the cell the block was to start at
    int left = 0;
    TableChange change; // when pasted: the table with the block in it

    bool ok() const { return status == Status::Pasted; }
};

// The correction table to and from the text spreadsheets put on the clipboard: one line per
// injection-time row, values of a row separated by tabs, rows and columns in the order the
// calibration page's grid shows them.
namespace TableClipboard {

// The selected cells as spreadsheets copy them: tabs between values, a newline after each row.
QString copy(const KtarValues& values, const TableSelection& selection);

// `text` pasted with its first value at cell (`top`, `left`). Lines end in LF, CR LF or CR,
// and a newline after the last line is allowed. Values are separated by tabs or, when the text
// holds no tab, by semicolons (CSV in locales whose decimal mark is the comma). A comma never
// separates values: in Italian or Turkish "120,5" is one number, and splitting it would paste
// two wrong ones. Each value must be a whole number (spaces around it and a fraction of zeros,
// "120,00" or "120.0", as a cell formatted with decimals copies, are allowed) within 100..150:
// a block is data prepared elsewhere, and holding a value at a limit would paste a table that
// is neither the one copied nor one the fitter chose. Any fault refuses the whole paste.
TablePaste paste(const KtarValues& values, const QString& text, int top, int left);

} // namespace TableClipboard
