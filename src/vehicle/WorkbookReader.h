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

    // Reads rows 1..rows and columns 1..columns (A..); everything else is skipped. Legacy
    // .xls files are read by the helper `xlsHelper` (see XlsReader.h).
    WorkbookReader(int rows, int columns, const QString& xlsHelper = defaultXlsHelper());

    bool read(const QString& path);

    const SheetCells& cells() const { return m_cells; }
    const WorkbookStatus& status() const { return m_status; }
    Format format() const { return m_format; }

    static Format formatOf(const QByteArray& head);
    // tarvex-xls-reader beside the program.
    static QString defaultXlsHelper();

private:
    bool fail(WorkbookError error, const QString& detail);

    SheetCells m_cells;
    QString m_xlsHelper;
    WorkbookStatus m_status;
    Format m_format = Format::Unknown;
};
