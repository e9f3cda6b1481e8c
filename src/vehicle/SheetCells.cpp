#include "SheetCells.h"

#include <algorithm>

SheetCells::SheetCells(int rows, int columns)
    : m_rows(std::max(rows, 0)), m_columns(std::max(columns, 0)),
      m_cells(static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_columns)) {}

const WorkbookCell& SheetCells::at(int row, int column) const {
    static const WorkbookCell empty;
    if (!contains(row, column)) return empty;
    return m_cells[static_cast<std::size_t>((row - 1) * m_columns + (column - 1))];
}

void SheetCells::set(long long row, long long column, WorkbookCell cell) {
    if (contains(row, column))
        m_cells[static_cast<std::size_t>((row - 1) * m_columns + (column - 1))] = std::move(cell);
}

void SheetCells::clear() {
    std::fill(m_cells.begin(), m_cells.end(), WorkbookCell{});
}

QString SheetCells::name(long long row, long long column) {
    QString letters;
    for (long long c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(static_cast<char16_t>(u'A' + (c - 1) % 26)));
    return letters + QString::number(row);
}
