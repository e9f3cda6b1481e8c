#include "CellCoverage.h"

#include "TableFill.h"

#include <limits>

void CellCoverage::record(TableCell cell, Outcome outcome, int value) {
    if (cell.index() < 0 || cell.index() >= TableSize) return;
    m_results[std::size_t(cell.index())] = {outcome, value};
}

KtarCells CellCoverage::calibrated() const {
    KtarCells cells;
    for (int i = 0; i < TableSize; ++i)
        cells[std::size_t(i)] = m_results[std::size_t(i)].outcome == Outcome::Calibrated;
    return cells;
}

bool CellCoverage::canFill() const {
    return TableFill::canFill(calibrated());
}

void CellCoverage::engineAt(std::optional<TableCell> cell, int stepMs) {
    if (cell != m_engine) {
        m_engine = cell;
        m_dwellMs = 0;
        return;
    }
    // A fitter may hold a cell for an hour; the count stops long before it could wrap.
    if (m_engine && m_dwellMs < std::numeric_limits<int>::max() - stepMs) m_dwellMs += stepMs;
}
