// Figures of the cell-by-cell calibration on the virtual car in engine time: each cell run's
// updates, coefficient and run time against the car's true coefficient in that cell, then the
// fill of the other cells from four corners and four inner cells, against the true map.
#include "BenchTools.h"

#include "common/CellDrive.h"
#include "screens/calib/CellPanel.h"

#include <QtTest>
#include <cmath>

namespace {

// One cell run, printed: the cell's true coefficient, the one found, updates, and the engine
// time from START to the run's end (stored, or stopped at a limit).
bool calibrateCellPrinted(World& w, AutoCalDrive& drive, TableCell cell, const QString& label) {
    const AutoCalibrationRun& run = drive.screen()->run();
    qint64 from = 0;
    if (!calibrateCell(w, drive, cell, 3000, &from)) {
        figure(qPrintable(label + QStringLiteral(": never held there, or did not finish")), 0, "");
        return false;
    }
    const bool limit = run.result() == AutoCalibrationRun::Result::Limit;
    std::printf("%-44s true %3d  found %3d%s  updates %d  %6.1f s\n", qPrintable(label),
                w.ecu.model().trueCoefficientNow(), run.coverage().at(cell).value,
                limit ? " (limit)" : "        ", run.updates(),
                double(drive.nowMs() - from) / 1000);
    std::fflush(stdout);
    return true;
}

} // namespace

void benchCells() {
    std::array<int, 64> withLimit = EngineModel::risingMap(112, 134);
    withLimit[63] = 156; // the top corner past the maximum
    const struct {
        const char* name;
        std::array<int, 64> truth;
        std::vector<TableCell> cells;
    } maps[] = {
        {"flat 118", flatMap(118), {{0, 0}, {2, 5}, {5, 2}, {7, 7}}},
        {"rising 112-134", EngineModel::risingMap(112, 134), {{0, 0}, {3, 4}, {6, 1}, {7, 7}}},
        {"rising, one cell at 156", withLimit, {{6, 6}, {7, 7}}},
    };
    for (const auto& m : maps) {
        World w(heldCar(m.truth), FaultSettings{});
        AutoCalDrive drive(w);
        drive.open();
        for (const TableCell& c : m.cells)
            if (!calibrateCellPrinted(w, drive, c,
                                      QStringLiteral("cells, %1, TINJ %2 RPM %3")
                                          .arg(QString::fromLatin1(m.name))
                                          .arg(c.row + 1)
                                          .arg(c.column + 1)))
                break;
    }

    // Four corners and four inner cells of a smooth map, then the rest filled.
    const std::array<int, 64> truth = EngineModel::risingMap(112, 134);
    World w(heldCar(truth), FaultSettings{});
    AutoCalDrive drive(w);
    const Form8* screen = drive.open();
    QElapsedTimer wall;
    wall.start();
    const qint64 from = drive.nowMs();
    for (const TableCell& c :
         std::vector<TableCell>{{0, 0}, {0, 7}, {7, 0}, {7, 7}, {2, 2}, {2, 5}, {5, 2}, {5, 5}})
        if (!calibrateCellPrinted(
                w, drive, c,
                QStringLiteral("fill, TINJ %1 RPM %2").arg(c.row + 1).arg(c.column + 1)))
            return;
    figure("fill: eight cell runs (engine time)", double(drive.nowMs() - from) / 1000, "s");
    figure("fill: eight cell runs (computer time)", double(wall.elapsed()) / 1000, "s");
    w.click(ScreenId::Form8, QStringLiteral("CommandFill"));
    const auto* panel = screen->findChild<const CellPanel*>();
    if (!panel || !panel->proposal()) return figure("fill: no proposal", 0, "");
    w.click(ScreenId::Form8, QStringLiteral("CommandFillWrite"));
    if (!drive.runUntil([panel] { return !panel->proposal(); }, 60000))
        return figure("fill: write did not end", 0, "");
    int sum = 0, largest = 0;
    for (int cell = 0; cell < 64; ++cell) {
        const int d =
            std::abs(w.ecu.memory().table[std::size_t(cell + 1)] - truth[std::size_t(cell)]);
        sum += d;
        largest = std::max(largest, d);
    }
    figure("fill: mean difference from the true map, ECU table", sum / 64.0, "");
    figure("fill: largest difference from the true map, ECU table", largest, "");
}
