#pragma once

#include "SheetCells.h"

#include <QString>

// Reads the cells of the first worksheet of a legacy .xls workbook (BIFF5 or BIFF8 in its
// compound-document container) that fall inside `cells`.
WorkbookStatus readXls(const QString& path, SheetCells& cells);
