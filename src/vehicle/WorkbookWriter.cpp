#include "WorkbookWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

void WorkbookWriter::setNumber(int row, int column, double value) {
    m_cells[{row, column}] = value;
}

bool WorkbookWriter::fail(const QString& why) {
    m_error = why;
    return false;
}

bool WorkbookWriter::save(const QString& path) {
    m_error.clear();
    const QFileInfo target(path);
    if (target.isDir())
        return fail(QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(path)));

    // libxlsxwriter opens its output only in workbook_close(), so a bad path or a full disk
    // shows up there and nowhere earlier. It therefore writes a scratch file beside the
    // target, and the target is replaced only once workbook_close() has succeeded.
    QTemporaryFile scratch(target.absolutePath() + QStringLiteral("/.tarvex-XXXXXX.xlsx"));
    if (!scratch.open()) return fail(scratch.errorString());
    scratch.close();
    const QByteArray scratchName = QFile::encodeName(scratch.fileName());

    lxw_workbook* workbook = workbook_new(scratchName.constData());
    if (!workbook) return fail(QStringLiteral("out of memory"));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_error written = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    // The map is ordered by row, so cells go out in row order (which constant_memory mode
    // would need; a cell written out of order there is silently dropped).
    for (const auto& [cell, value] : m_cells) {
        if (written != LXW_NO_ERROR) break;
        written = worksheet_write_number(sheet, static_cast<lxw_row_t>(cell.first - 1),
                                         static_cast<lxw_col_t>(cell.second - 1), value, nullptr);
    }
    const lxw_error closed = workbook_close(workbook); // frees the workbook whatever happens
    if (written != LXW_NO_ERROR) return fail(QString::fromUtf8(lxw_strerror(written)));
    if (closed != LXW_NO_ERROR) return fail(QString::fromUtf8(lxw_strerror(closed)));

    QFile built(scratch.fileName());
    if (!built.open(QIODevice::ReadOnly)) return fail(built.errorString());
    const QByteArray bytes = built.readAll();
    if (bytes.isEmpty() || built.error() != QFileDevice::NoError) return fail(built.errorString());

    // QSaveFile writes under a temporary name beside the target and renames it over the target
    // on commit, keeping an existing file's permissions; anything that fails leaves it alone.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return fail(out.errorString());
    if (out.write(bytes) != bytes.size()) {
        const QString why = out.errorString();
        out.cancelWriting();
        return fail(why);
    }
    if (!out.commit()) return fail(out.errorString());
    return true;
}
