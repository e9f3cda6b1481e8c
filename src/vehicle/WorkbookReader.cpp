#include "WorkbookReader.h"

#include "XlsReader.h"
#include "XlsxReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

WorkbookReader::WorkbookReader(int rows, int columns, const QString& xlsHelper)
    : m_cells(rows, columns), m_xlsHelper(xlsHelper) {}

QString WorkbookReader::defaultXlsHelper() {
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("/tarvex-xls-reader.exe");
#else
    const QString name = QStringLiteral("/tarvex-xls-reader");
#endif
    return QCoreApplication::applicationDirPath() + name;
}

WorkbookReader::Format WorkbookReader::formatOf(const QByteArray& head) {
    // A zip local-file header, and the compound-document signature that wraps BIFF streams.
    if (head.startsWith(QByteArrayLiteral("PK\x03\x04"))) return Format::Xlsx;
    if (head.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))) return Format::Xls;
    return Format::Unknown;
}

bool WorkbookReader::fail(WorkbookError error, const QString& detail) {
    m_cells.clear();
    m_status = WorkbookStatus::failure(error, detail);
    return false;
}

bool WorkbookReader::read(const QString& path) {
    m_cells.clear();
    m_status = {};
    m_format = Format::Unknown;

    // Only plain files: opening a FIFO would wait for a writer for ever.
    const QFileInfo info(path);
    if (!info.exists())
        return fail(WorkbookError::Unreadable, QStringLiteral("the file does not exist"));
    if (!info.isFile()) return fail(WorkbookError::Unreadable, QStringLiteral("not a file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(WorkbookError::Unreadable, file.errorString());
    // Read exactly what the file holds: asking for the limit would allocate the limit.
    const qint64 size = file.size();
    if (size > MaxFileSize)
        return fail(WorkbookError::TooLarge, QStringLiteral("%1 bytes").arg(size));
    if (size == 0) return fail(WorkbookError::EmptyFile, QString());
    const QByteArray bytes = file.read(size);
    if (bytes.size() != size) return fail(WorkbookError::Unreadable, file.errorString());

    m_format = formatOf(bytes);
    switch (m_format) {
    case Format::Xlsx:
        m_status = readXlsx(bytes, m_cells);
        break;
    case Format::Xls:
        m_status = readXlsIsolated(m_xlsHelper, path, m_cells);
        break;
    case Format::Unknown:
        return fail(WorkbookError::NotWorkbook, QString());
    }
    if (!m_status.ok()) m_cells.clear();
    return m_status.ok();
}
