#pragma once

#include "calib/Breakpoints.h"
#include "calib/CellCoverage.h"

#include <QWidget>
#include <optional>

// The coverage map of the cell-by-cell calibration: the 8×8 table as the calibration page
// lays it out (columns of rpm, rows of injection time, the breakpoints along the edges),
// each cell with its value and the outcome of its run since the screen opened, the cell
// the engine is in, the cell under calibration, and, for a proposed fill, the cells it
// changes. It paints what it is given and nothing else.
class CellMap final : public QWidget {
    Q_OBJECT
public:
    struct View {
        KtarValues values{};
        Breakpoints breakpoints;
        std::array<CellCoverage::Result, TableSize> results{};
        std::optional<TableCell> engine; // where the engine is
        std::optional<TableCell> target; // the cell a run calibrates
        KtarCells changed;               // a proposed fill's changes
        bool proposal = false;           // values are a proposal, not the ECU's
    };

    explicit CellMap(QWidget* parent);
    void show(const View& view);
    const View& view() const { return m_view; }

    QSize sizeHint() const override { return {420, 300}; }
    QSize minimumSizeHint() const override { return {360, 250}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    View m_view;
};
