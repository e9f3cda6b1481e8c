#pragma once

#include "SheetCells.h"
#include "base/Result.h"
#include "params/ParameterId.h"
#include "params/WriteList.h"

#include <QString>
#include <vector>

class ParameterSet;

// A whole vehicle configuration kept in a workbook: parameter k (1..62) in cell A k, column B
// empty, KtarTable entry j (1..64) in C1:J8, eight entries to a row (1 in C1, 9 in C2, 16 in J2,
// 64 in J8). No header or check value: the meaning rests on the positions alone, which are
// kept here and nowhere else.

// What a load found. On success `image` holds the configuration in image layout (WriteIndex 1),
// repaired so that the main menu's upload check would accept it; the file is never the last
// word on a value, the ECU's read-back after the bulk write is.
struct VehicleLoad {
    enum class Status {
        Loaded,
        ReadFailed,      // not a readable workbook: see `read`
        NoConfiguration, // A1:A62 and C1:J8 all empty
        NotANumber,      // `cell` holds text, a boolean, an error value or a date
        Fractional,      // `cell` holds a number with a fraction
    };
    Status status = Status::Loaded;
    QString fileName;    // the file's name, for messages
    WorkbookStatus read; // the reader's verdict when status is ReadFailed
    QString cell;        // the first bad cell ("A5"), in archive order: A1..A62, C1..J1, C2..J8
    QString content;     // what that cell held, as text
    WriteList image;
    // Values not taken from the file as they stood (empty cell, out of range, out of order),
    // with the value that replaces them; table entries have `table` set and id = entry.
    std::vector<WriteList::Entry> replaced;

    bool ok() const { return status == Status::Loaded; }
    // Some values were replaced: the menu shows its Text4 warning while it writes.
    bool corrected() const { return !replaced.empty(); }
};

namespace VehicleArchive {

inline constexpr int Rows = ParameterCount; // rows read: 1..62
inline constexpr int Columns = 10;          // columns read: A..J
inline constexpr int ParameterColumn = 1;   // A
inline constexpr int TableColumn = 3;       // C: the table's first column
inline constexpr int TableWidth = 8;
inline constexpr int MaxParameterValue = 65535; // a 16-bit word on the link
inline constexpr int MaxTableValue = 255;       // one byte on the link

struct Cell {
    int row;
    int column;
    bool operator==(const Cell&) const = default;
};

Cell parameterCell(int id);
Cell tableCell(int entry);
// The table entry stored at a cell, 0 outside C1:J8.
int tableEntryAt(int row, int column);

// The name a typed name is saved under: ".xlsx" unless it already ends so; an old ".xls"
// name becomes ".xlsx" rather than ".xls.xlsx".
QString saveName(const QString& typed);

// The name actually written (saveName(path)), or why the workbook could not be written.
Result<QString> save(const QString& path, const ParameterSet& set);
VehicleLoad load(const QString& path);
// The load rules applied to cells already read (A1:J62 at least).
VehicleLoad fromCells(const SheetCells& cells, const QString& fileName);

// The folder "VehiclesArchive" in the user's folder (beside a portable program); made with
// ProgramFolders::makeFolder when first needed.
QString folderIn(const QString& userFolder);

} // namespace VehicleArchive
