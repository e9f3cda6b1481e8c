#pragma once

#include "SheetCells.h"

#include <QByteArray>

// Reads the cells of the first worksheet of an .xlsx package (the whole file in `bytes`) that
// fall inside `cells`. Never throws; a broken package gives a failure with its reason.
WorkbookStatus readXlsx(const QByteArray& bytes, SheetCells& cells);
