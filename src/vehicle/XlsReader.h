#pragma once

#include "SheetCells.h"

#include <QByteArray>
#include <QString>

// Legacy .xls workbooks (BIFF5 or BIFF8 in their compound-document container), read through
// FreeXL. FreeXL trusts lengths it finds in the file: a damaged file can make it read far past
// its buffers. So the program never runs it on a file itself: readXlsIsolated hands the file
// to the helper tarvex-xls-reader, and whatever FreeXL does there, the program only sees cells
// or a refusal.

// Reads the cells of the first worksheet that fall inside `cells`, in this process. Only the
// helper calls this.
WorkbookStatus readXls(const QString& path, SheetCells& cells);

// Runs `helper` on the file and takes the cells it reports. A helper that is missing, crashes,
// hangs or answers nonsense refuses the file.
WorkbookStatus readXlsIsolated(const QString& helper, const QString& path, SheetCells& cells);

// What the helper prints, and its reading: a header line with the status, then one line per
// cell that is not empty.
QByteArray encodeCells(const WorkbookStatus& status, const SheetCells& cells);
WorkbookStatus decodeCells(const QByteArray& text, SheetCells& cells);
