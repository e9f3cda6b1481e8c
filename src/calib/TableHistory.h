#pragma once

#include "TableOperations.h"

#include <cstddef>
#include <vector>

// Undo and redo of the correction-table edits made on the calibration page since it opened or
// since the last verified write. Each step keeps the whole table: 64 values are less than the
// bookkeeping of a per-cell record, and an undo can never leave a half-restored table.
class TableHistory {
public:
    // Steps kept before the oldest is dropped: far more than a session of tuning makes.
    static constexpr std::size_t MaxSteps = 1000;

    // `written`: what the ECU holds; it is also the table shown until the first edit.
    explicit TableHistory(const KtarValues& written = {});

    const KtarValues& current() const { return m_current; }
    const KtarValues& written() const { return m_written; }

    // An edit, from an operation or from typing into one box: `after` becomes the table and
    // the table before it a step to undo; anything undone before is gone. False, and no step,
    // when `after` is the table as it stands.
    bool edit(const KtarValues& after);
    // One cell typed: the value as typed, even out of 100..150, for MODIFICA to judge.
    bool editCell(int cell, int value);
    // Keystrokes into one box are one step: the last step's table becomes `after`, and a
    // step that ends on the table it started from is dropped. True while the step stands;
    // false when it was dropped or there was no step to amend.
    bool amend(const KtarValues& after);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // False when there is nothing to undo or redo.
    bool undo();
    bool redo();

    // The ECU verified a write: what it now holds is the starting point of a new history.
    void restart(const KtarValues& written);
    // The ECU holds `written` after a write that was not verified: the marks follow it, and
    // the steps stay, so the table that did not go in can be had back.
    void setWritten(const KtarValues& written) { m_written = written; }

    // Cells that differ from what the ECU holds: the edited, not yet written cells.
    KtarCells edited() const;

private:
    // The table becomes the last of `from`; the table it replaces goes on `to`.
    bool step(std::vector<KtarValues>& from, std::vector<KtarValues>& to);

    KtarValues m_written;
    KtarValues m_current;
    std::vector<KtarValues> m_undo; // oldest first
    std::vector<KtarValues> m_redo; // the next redo last
};
