#include "TableHistory.h"

TableHistory::TableHistory(const KtarValues& written) : m_written(written), m_current(written) {}

bool TableHistory::edit(const KtarValues& after) {
    if (after == m_current) return false;
    if (m_undo.size() >= MaxSteps) m_undo.erase(m_undo.begin());
    m_undo.push_back(m_current);
    m_redo.clear();
    m_current = after;
    return true;
}

bool TableHistory::editCell(int cell, int value) {
    if (cell < 0 || cell >= TableSize) return false;
    KtarValues after = m_current;
    after[cell] = value;
    return edit(after);
}

bool TableHistory::amend(const KtarValues& after) {
    if (m_undo.empty()) return false;
    m_redo.clear();
    if (after == m_undo.back()) {
        m_current = after;
        m_undo.pop_back();
        return false;
    }
    m_current = after;
    return true;
}

bool TableHistory::undo() {
    return step(m_undo, m_redo);
}

bool TableHistory::redo() {
    return step(m_redo, m_undo);
}

bool TableHistory::step(std::vector<KtarValues>& from, std::vector<KtarValues>& to) {
    if (from.empty()) return false;
    to.push_back(m_current);
    m_current = from.back();
    from.pop_back();
    return true;
}

void TableHistory::restart(const KtarValues& written) {
    m_written = written;
    m_current = written;
    m_undo.clear();
    m_redo.clear();
}

KtarCells TableHistory::edited() const {
    KtarCells cells;
    for (int cell = 0; cell < TableSize; ++cell)
        cells[cell] = m_current[cell] != m_written[cell];
    return cells;
}
