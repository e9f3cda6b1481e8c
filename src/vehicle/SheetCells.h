#pragma once

#include <QString>
#include <vector>

// One cell as a spreadsheet program left it. Only what the archive needs is told apart:
// numbers (in whatever style they are shown, but a date or a time), text, and anything else
// (a boolean, an error value, a date or a number shown as one, a formula without a computed
// value).
struct WorkbookCell {
    enum class Kind { Empty, Number, Text, Other };
    Kind kind = Kind::Empty;
    double number = 0;
    QString text; // Text: the string; Other: what the cell held, for messages

    static WorkbookCell ofNumber(double v) { return {Kind::Number, v, {}}; }
    static WorkbookCell ofText(const QString& t) { return {Kind::Text, 0, t}; }
    static WorkbookCell ofOther(const QString& t) { return {Kind::Other, 0, t}; }
};

// Why a workbook could not be read.
enum class WorkbookError {
    None,
    Unreadable,  // the file cannot be opened or read
    EmptyFile,   // zero bytes
    TooLarge,    // more than a vehicle archive could ever need
    NotWorkbook, // neither an .xlsx package nor a legacy .xls
    Damaged,     // the right kind of file, but broken inside
    NoSheet,     // a workbook without any worksheet
};

struct WorkbookStatus {
    WorkbookError error = WorkbookError::None;
    QString detail; // the technical reason, for the message and for support

    bool ok() const { return error == WorkbookError::None; }
    static WorkbookStatus failure(WorkbookError e, const QString& why) { return {e, why}; }
};

// The top-left corner of a worksheet (rows and columns from 1), the only part the archive
// needs: cells outside it are skipped while reading, so a huge sheet costs no more than a
// small one.
class SheetCells {
public:
    SheetCells(int rows, int columns);

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    bool contains(long long row, long long column) const {
        return row >= 1 && row <= m_rows && column >= 1 && column <= m_columns;
    }
    // An empty cell outside the window.
    const WorkbookCell& at(int row, int column) const;
    // Ignored outside the window.
    void set(long long row, long long column, WorkbookCell cell);
    void clear();

    // "A1", "C2", "J8": how a spreadsheet program names a cell.
    static QString name(long long row, long long column);

private:
    int m_rows;
    int m_columns;
    std::vector<WorkbookCell> m_cells;
};
