#pragma once

#include <QString>
#include <map>
#include <utility>

// Writes numbers into the first worksheet of a new .xlsx workbook. Saving never destroys a
// good file: the workbook is built completely beside the target under a temporary name and
// only then put in its place, so a failure (folder not writable, disk full, file held open
// elsewhere) leaves whatever was there before, and errorString() says why.
class WorkbookWriter {
public:
    // Rows and columns from 1 (A = 1). Setting a cell again replaces its value.
    void setNumber(int row, int column, double value);

    bool save(const QString& path);
    QString errorString() const { return m_error; }

private:
    bool fail(const QString& why);

    std::map<std::pair<int, int>, double> m_cells; // by row, then column: the order written
    QString m_error;
};
