#include "XlsReader.h"

#include <QFile>

#include <freexl.h>

#include <algorithm>
#include <cmath>

namespace {

QString reasonOf(int code) {
    switch (code) {
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("not enough memory");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
    case FREEXL_CFBF_INVALID_SECTOR_SIZE:
        return QStringLiteral("broken container header");
    case FREEXL_CFBF_READ_ERROR:
    case FREEXL_CFBF_SEEK_ERROR:
        return QStringLiteral("the file ends too early");
    case FREEXL_CFBF_EMPTY_FAT_CHAIN:
    case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
    case FREEXL_INVALID_MINI_STREAM:
    case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
        return QStringLiteral("broken allocation table");
    case FREEXL_BIFF_INVALID_BOF:
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("no readable workbook stream");
    case FREEXL_BIFF_INVALID_SST:
    case FREEXL_BIFF_ILLEGAL_SST_INDEX:
        return QStringLiteral("broken string table");
    case FREEXL_ILLEGAL_RK_VALUE:
        return QStringLiteral("broken number");
    case FREEXL_CRAFTED_FILE:
        return QStringLiteral("severely corrupted");
    default:
        return QStringLiteral("error %1").arg(code);
    }
}

WorkbookStatus damaged(int code) {
    return WorkbookStatus::failure(WorkbookError::Damaged,
                                   QStringLiteral("legacy workbook: ") + reasonOf(code));
}

// Closes only a handle that opened: after some failures FreeXL hands back a pointer that
// must not be closed.
struct Handle {
    const void* xls = nullptr;
    ~Handle() {
        if (xls) freexl_close(xls);
    }
};

WorkbookCell cellOf(const FreeXL_CellValue& v) {
    const auto text = [&v] {
        return v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
    };
    switch (v.type) {
    case FREEXL_CELL_NULL:
        return {};
    case FREEXL_CELL_INT: // whole numbers come back as INT or as DOUBLE, depending on the writer
        return WorkbookCell::ofNumber(v.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return std::isfinite(v.value.double_value) ? WorkbookCell::ofNumber(v.value.double_value)
                                                   : WorkbookCell::ofOther(QStringLiteral("NaN"));
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return WorkbookCell::ofText(text());
    default: // FreeXL turns a number in a date or time style into text; no longer a number
        return WorkbookCell::ofOther(text());
    }
}

} // namespace

WorkbookStatus readXls(const QString& path, SheetCells& cells) {
    Handle h;
    const void* opened = nullptr;
    if (const int rc = freexl_open(QFile::encodeName(path).constData(), &opened); rc != FREEXL_OK)
        return damaged(rc);
    h.xls = opened;

    unsigned int info = 0;
    if (freexl_get_info(h.xls, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        return WorkbookStatus::failure(WorkbookError::Damaged,
                                       QStringLiteral("protected by a password"));
    if (freexl_get_info(h.xls, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0 ||
        freexl_select_active_worksheet(h.xls, 0) != FREEXL_OK)
        return WorkbookStatus::failure(WorkbookError::NoSheet,
                                       QStringLiteral("the workbook holds no worksheet"));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (const int rc = freexl_worksheet_dimensions(h.xls, &rows, &columns); rc != FREEXL_OK)
        return damaged(rc);

    // FreeXL counts rows and columns from 0.
    const unsigned int lastRow = std::min(rows, static_cast<unsigned int>(cells.rows()));
    const unsigned short lastColumn =
        std::min(columns, static_cast<unsigned short>(cells.columns()));
    for (unsigned int r = 0; r < lastRow; ++r) {
        for (unsigned short c = 0; c < lastColumn; ++c) {
            FreeXL_CellValue v;
            if (const int rc = freexl_get_cell_value(h.xls, r, c, &v); rc != FREEXL_OK)
                return damaged(rc);
            cells.set(r + 1, c + 1, cellOf(v));
        }
    }
    return {};
}
