#pragma once

#include "SheetCells.h"

#include <QByteArray>
#include <QString>

// Reads the top-left corner of the first worksheet of a workbook: .xlsx, or legacy .xls
// (BIFF5 or BIFF8), told apart by the file's first bytes and never by its name. Any input
// gives either the cells or a failure with its reason; nothing throws, crashes or hangs.
class WorkbookReader {
public:
    enum class Format { Unknown, Xlsx, Xls };

    // Far above any vehicle archive (a few kilobytes), far below what would hurt to hold.
    static constexpr qint64 MaxFileSize = 64 << 20;

    // Reads rows 1..rows and columns 1..columns (A..); everything else is skipped.
    WorkbookReader(int rows, int columns);

    bool read(const QString& path);

    const SheetCells& cells() const { return m_cells; }
    const WorkbookStatus& status() const { return m_status; }
    Format format() const { return m_format; }

    static Format formatOf(const QByteArray& head);

private:
    bool fail(WorkbookError error, const QString& detail);

    SheetCells m_cells;
    WorkbookStatus m_status;
    Format m_format = Format::Unknown;
};
