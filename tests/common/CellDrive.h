#pragma once

#include "common/AutoCalDrive.h"

// The cell-by-cell calibration on the virtual car held on a roller bench, in engine time.

inline std::array<int, 64> flatMap(int value) {
    std::array<int, 64> map{};
    map.fill(value);
    return map;
}

// A warm car whose gas needs `truth` per cell of the ECU's table.
inline EngineSettings heldCar(const std::array<int, 64>& truth) {
    EngineSettings engine;
    engine.start = EngineSettings::Start::Warm;
    engine.trueMap = truth;
    return engine;
}

// The engine held in `cell` on petrol, where the petrol time is the load (on gas the petrol
// unit stretches it by the gas's error), as a fitter switches on the calibration page. Once
// the screen has shown the engine there for `dwellMs`, the cell's START (at `startedMs`, if
// asked), until the run is over. False when either never happened.
inline bool calibrateCell(World& w, AutoCalDrive& drive, TableCell cell, int dwellMs = 0,
                          qint64* startedMs = nullptr) {
    w.ecu.model().holdInCell(cell.row, cell.column);
    w.ecu.model().toPetrol();
    const AutoCalibrationRun& run = drive.screen()->run();
    if (!drive.runUntil(
            [&] {
                return run.coverage().engineCell() == cell && run.coverage().dwellMs() >= dwellMs;
            },
            30000 + dwellMs))
        return false;
    if (startedMs) *startedMs = drive.nowMs();
    w.click(ScreenId::Form8, QStringLiteral("CommandCell"));
    return drive.runUntil([&] { return run.cellMode() == cell && AutoCalDrive::finished(run); },
                          15 * 60 * 1000);
}
