#include "XlsReader.h"

#include <QDir>
#include <QFile>
#include <QProcess>

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

// A helper that takes longer than this on a file of at most 64 MB is stuck.
constexpr int HelperTimeoutMs = 20000;
const QByteArray Header = QByteArrayLiteral("TARVEX-XLS 1");

WorkbookStatus helperFailed(const QString& why) {
    return WorkbookStatus::failure(WorkbookError::Damaged,
                                   QStringLiteral("legacy workbook: ") + why);
}

} // namespace

QByteArray encodeCells(const WorkbookStatus& status, const SheetCells& cells) {
    QByteArray out = Header + ' ' + QByteArray::number(static_cast<int>(status.error)) + ' ' +
                     status.detail.toUtf8().toBase64() + '\n';
    for (int r = 1; r <= cells.rows(); ++r) {
        for (int c = 1; c <= cells.columns(); ++c) {
            const WorkbookCell& cell = cells.at(r, c);
            if (cell.kind == WorkbookCell::Kind::Empty) continue;
            out += QByteArray::number(r) + ' ' + QByteArray::number(c) + ' ' +
                   QByteArray::number(static_cast<int>(cell.kind)) + ' ' +
                   QByteArray::number(cell.number, 'g', 17) + ' ' + cell.text.toUtf8().toBase64() +
                   '\n';
        }
    }
    return out;
}

WorkbookStatus decodeCells(const QByteArray& text, SheetCells& cells) {
    const QList<QByteArray> lines = text.split('\n');
    const QList<QByteArray> head = lines.value(0).split(' ');
    bool ok = head.size() == 4 && head[0] + ' ' + head[1] == Header;
    const int error = ok ? head[2].toInt(&ok) : 0;
    if (!ok || error < static_cast<int>(WorkbookError::None) ||
        error > static_cast<int>(WorkbookError::NoSheet))
        return helperFailed(QStringLiteral("the reader answered nonsense"));
    if (error != static_cast<int>(WorkbookError::None))
        return WorkbookStatus::failure(static_cast<WorkbookError>(error),
                                       QString::fromUtf8(QByteArray::fromBase64(head[3])));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) continue;
        const QList<QByteArray> f = lines[i].split(' ');
        bool okRow = false, okColumn = false, okKind = false, okNumber = false;
        const int row = f.value(0).toInt(&okRow);
        const int column = f.value(1).toInt(&okColumn);
        const int kind = f.value(2).toInt(&okKind);
        const double number = f.value(3).toDouble(&okNumber);
        if (f.size() != 5 || !okRow || !okColumn || !okKind || !okNumber ||
            kind < static_cast<int>(WorkbookCell::Kind::Number) ||
            kind > static_cast<int>(WorkbookCell::Kind::Other))
            return helperFailed(QStringLiteral("the reader answered nonsense"));
        cells.set(row, column,
                  {static_cast<WorkbookCell::Kind>(kind), number,
                   QString::fromUtf8(QByteArray::fromBase64(f[4]))});
    }
    return {};
}

WorkbookStatus readXlsIsolated(const QString& helper, const QString& path, SheetCells& cells) {
    QProcess process;
    process.start(helper, {path, QString::number(cells.rows()), QString::number(cells.columns())});
    if (!process.waitForStarted())
        return WorkbookStatus::failure(
            WorkbookError::Unreadable,
            QStringLiteral("cannot run the legacy workbook reader %1 (%2)")
                .arg(QDir::toNativeSeparators(helper), process.errorString()));
    if (!process.waitForFinished(HelperTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return helperFailed(QStringLiteral("the reader did not finish"));
    }
    // A crash there (or a sanitizer's verdict on FreeXL) is a file we cannot read, nothing more.
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return helperFailed(QStringLiteral("the reader failed on this file"));
    return decodeCells(process.readAllStandardOutput(), cells);
}

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
