#pragma once

#include "TableCell.h"
#include "TableOperations.h"

#include <array>
#include <optional>

// What the cell-by-cell calibration has done since the screen opened, and where the engine
// is: the coverage map's contents. The run keeps one and tells it each result and, on each
// 50 ms calibration step, the cell of the latest record.
class CellCoverage {
public:
    enum class Outcome {
        None,       // not calibrated since the screen opened
        Calibrated, // written, read back and verified
        Unverified, // written, but the read-back did not show it
        AtMinimum,  // the run ended at 100: nothing written
        AtMaximum,  // ended at 150
    };
    struct Result {
        Outcome outcome = Outcome::None;
        int value = 0; // the coefficient found (or the limit reached)
    };

    void record(TableCell cell, Outcome outcome, int value);
    const Result& at(TableCell cell) const { return m_results[std::size_t(cell.index())]; }
    // The cells whose value the ECU holds from a verified cell run: what a fill starts from.
    KtarCells calibrated() const;
    bool canFill() const;

    // One calibration step (TickMs) with the engine in `cell` (none: stopped, no record, no
    // link). Staying in a cell adds up; any change starts the count again.
    void engineAt(std::optional<TableCell> cell, int stepMs);
    std::optional<TableCell> engineCell() const { return m_engine; }
    int dwellMs() const { return m_dwellMs; }

private:
    std::array<Result, TableSize> m_results{};
    std::optional<TableCell> m_engine;
    int m_dwellMs = 0;
};
