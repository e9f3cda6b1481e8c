// Calibrating the table cell by cell: which cell a record is in, and the fill of the cells
// not calibrated from those that are.

#include "calib/AutoCalibrationRun.h"
#include "calib/MarkerGeometry.h"
#include "calib/TableFill.h"
#include "lang/LanguageTable.h"
#include "params/ParameterSet.h"

#include "EngineModel.h"

#include <QtTest>
#include <cmath>

using TableOperations::cellOf;

namespace {

Breakpoints factoryBreakpoints() {
    ParameterSet s;
    SetParameterDefaults(s); // rpm 650, 1000, 2000 .. 7000; injection 2000, 3500, 5000 .. 15000
    return Breakpoints::of(s);
}

KtarCells cellsAt(std::initializer_list<std::pair<int, int>> cells) {
    KtarCells c;
    for (const auto& [row, column] : cells)
        c[cellOf(row, column)] = true;
    return c;
}

KtarValues filled(int value) {
    KtarValues v;
    v.fill(value);
    return v;
}

// A car held on a roller bench and an ECU that answers the run's requests at once, one
// exchange every second 50 ms step. The petrol unit stretches its petrol time on gas by the
// true coefficient over the one in use; a switch takes three exchanges.
struct RollerBench {
    ParameterSet params;
    LanguageTable language; // empty: the run shows its Italian texts
    AutoCalibrationRun run{params, language};
    LiveData live;
    int trueK = 118;
    int petrolTime = 6000; // row 2 of the factory breakpoints (5000..7000)
    int steps = 0;
    int countdown = 0;

    RollerBench() {
        SetParameterDefaults(params);
        params.setKtar(TableCell{2, 2}.index() + 1, 112);
        live.Rpm = 2500; // column 2 (2000..3000)
        live.Temperature = 80;
        live.FuelState = 1;
        live.Kcor = 125;
        live.PetrolTinj = petrolTime;
        run.liveRecord(live);
    }
    void step() {
        if (steps++ % 2 == 0) {
            if (countdown > 0 && --countdown == 0) live.FuelState = 1 - live.FuelState;
            const CalibrationRequest r = run.request();
            run.sent(r);
            if (r.command == Commands::CalibrationLive) {
                live.Kcor = r.coefficient;
                live.PetrolTinj = live.FuelState == 1 ? petrolTime : petrolTime * trueK / live.Kcor;
                run.liveRecord(live);
            } else {
                if (r.command == Commands::SwitchFuel && countdown == 0) countdown = 3;
                run.acknowledged(r.command);
            }
        }
        run.tick();
    }
    bool runUntil(const std::function<bool()>& done, int limit = 20000) {
        for (int i = 0; i < limit && !done(); ++i)
            step();
        return done();
    }
};

} // namespace

class TestCells : public QObject {
    Q_OBJECT
private slots:
    // The cell is the one the marker sits in: it reaches a column at that column's
    // breakpoint, stays in the first below the first breakpoint and in the last above.
    void cellFollowsTheMarkersRule() {
        const Breakpoints b = factoryBreakpoints();
        const QList<QPair<int, int>> columns{{0, 0},    {649, 0},  {650, 0},  {999, 0},
                                             {1000, 1}, {1001, 1}, {2999, 2}, {3000, 3},
                                             {6999, 6}, {7000, 7}, {9000, 7}};
        for (const auto& [rpm, expected] : columns)
            QCOMPARE(MarkerGeometry::column(rpm, b.rpm), expected);
        const QList<QPair<int, int>> rows{{0, 0},    {3499, 0},  {3500, 1}, {8999, 3},
                                          {9000, 4}, {15000, 7}, {65535, 7}};
        for (const auto& [tinj, expected] : rows)
            QCOMPARE(MarkerGeometry::row(tinj, b.tinj), expected);
        QCOMPARE(MarkerGeometry::cellAt(2500, 6000, b), (TableCell{2, 2}));

        // The marker's column box starts 240 twips left of its position at the breakpoint:
        // whatever the breakpoints (even out of order), the cell is the column the marker's
        // position falls in.
        const std::array<int, 8> odd{650, 3000, 2000, 2000, 4000, 1000, 6000, 7000};
        for (const auto& bp : {b.rpm, odd}) {
            for (int rpm = 0; rpm <= 8000; rpm += 50) {
                const double left = MarkerGeometry::markerLeft(rpm, bp);
                const int shown = std::clamp(int(std::floor((left - 1320) / 840)), 0, 7);
                QVERIFY2(MarkerGeometry::column(rpm, bp) == shown,
                         qPrintable(QString::number(rpm)));
            }
        }
    }

    void fillNeedsTheCornersOfARegion() {
        const struct {
            const char* name;
            KtarCells calibrated;
            bool can;
        } cases[] = {
            {"nothing", {}, false},
            {"three corners", cellsAt({{0, 0}, {0, 7}, {7, 0}}), false},
            {"a diagonal", cellsAt({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {7, 7}}), false},
            {"a whole row", cellsAt({{4, 0}, {4, 1}, {4, 2}, {4, 3}, {4, 7}}), false},
            {"two by two", cellsAt({{3, 3}, {3, 4}, {4, 3}, {4, 4}}), true},
            {"corners and more", cellsAt({{1, 2}, {1, 6}, {5, 2}, {5, 6}, {0, 0}}), true},
        };
        for (const auto& c : cases)
            QVERIFY2(TableFill::canFill(c.calibrated) == c.can, c.name);
    }

    // Interpolated along rpm and injection time between calibrated cells, held beyond them,
    // whole numbers; calibrated cells keep their value and nothing else is marked changed.
    void fillInterpolatesBetweenAndHoldsBeyond() {
        // The four corners of the table: along rows and columns alike, i.e. bilinear.
        KtarValues v = filled(105);
        v[cellOf(0, 0)] = 100;
        v[cellOf(0, 7)] = 121;
        v[cellOf(7, 0)] = 128;
        v[cellOf(7, 7)] = 149;
        const KtarCells corners = cellsAt({{0, 0}, {0, 7}, {7, 0}, {7, 7}});
        TableChange c = TableFill::fromCalibrated(v, corners);
        const TableChange bilinear = TableOperations::interpolate(
            v, TableSelection::whole(), TableOperations::Interpolation::Bilinear);
        QCOMPARE(c.values, bilinear.values);
        QCOMPARE(c.values[cellOf(0, 1)], 103); // 100 + 21 / 7
        QCOMPARE(c.values[cellOf(3, 5)], 127); // 115 + (143 - 115) * 3 / 7
        QCOMPARE(c.held, 0);
        QCOMPARE(int(c.changed.count()), 60);
        QVERIFY(!(c.changed & corners).any());

        // Four inner cells only: the square between them interpolated, the rest held at the
        // nearest edge of it; a cell already at its value is not marked.
        v = filled(105);
        v[cellOf(2, 2)] = 110;
        v[cellOf(2, 5)] = 119;
        v[cellOf(5, 2)] = 131;
        v[cellOf(5, 5)] = 140;
        v[cellOf(0, 0)] = 110; // what holding gives it anyway
        c = TableFill::fromCalibrated(v, cellsAt({{2, 2}, {2, 5}, {5, 2}, {5, 5}}));
        const QList<QPair<QPair<int, int>, int>> expected{
            {{2, 3}, 113}, {{2, 4}, 116}, {{3, 3}, 120}, {{4, 4}, 130}, {{0, 0}, 110},
            {{0, 3}, 113}, {{7, 7}, 140}, {{3, 7}, 126}, {{7, 0}, 131}, {{6, 4}, 137}};
        for (const auto& [cell, value] : expected)
            QVERIFY2(c.values[cellOf(cell.first, cell.second)] == value,
                     qPrintable(QStringLiteral("%1,%2: %3")
                                    .arg(cell.first)
                                    .arg(cell.second)
                                    .arg(c.values[cellOf(cell.first, cell.second)])));
        QVERIFY(!c.changed[cellOf(0, 0)] && c.changed[cellOf(0, 1)]);

        // One calibrated cell: every other cell held at it. None: nothing changes.
        v = filled(105);
        v[cellOf(4, 6)] = 127;
        QCOMPARE(TableFill::fromCalibrated(v, cellsAt({{4, 6}})).values, filled(127));
        QCOMPARE(TableFill::fromCalibrated(v, {}).values, v);
        QVERIFY(TableFill::fromCalibrated(v, {}).changed.none());
    }

    // A cell run starts from the cell's value, measures as the whole-table run does and
    // stores only its cell; the coverage keeps its outcome. A limit stores nothing.
    void cellRunStoresOnlyItsCell() {
        RollerBench b;
        QVERIFY(b.run.startCell({2, 2}));
        QVERIFY(b.runUntil([&] { return b.run.phase() == 3; }));
        QCOMPARE(b.run.ktar(), 112); // the cell's value, not the 125 in use
        QCOMPARE(b.run.cellUnderCalibration(), (TableCell{2, 2}));
        QVERIFY(b.runUntil([&] { return b.run.wantsStore(); }));
        QCOMPARE(b.run.ktar(), 118);
        QCOMPARE(b.run.storeWrites(),
                 (std::vector<WriteList::Entry>{{TableCell{2, 2}.index() + 1, 118, true}}));
        b.run.storeFinished(true);
        QVERIFY(!b.run.cellUnderCalibration());
        QCOMPARE(b.run.coverage().at({2, 2}).outcome, CellCoverage::Outcome::Calibrated);
        QCOMPARE(b.run.coverage().at({2, 2}).value, 118);
        QCOMPARE(b.run.coverage().calibrated(), cellsAt({{2, 2}}));

        // The next cell's true coefficient lies below the minimum.
        b.runUntil([&] { return !b.run.mayBeInCalibrationMode(); });
        b.live.Rpm = 3500;
        b.trueK = 90;
        b.step();
        QVERIFY(b.run.startCell({2, 3}));
        QVERIFY(b.runUntil([&] { return b.run.result() == AutoCalibrationRun::Result::Limit; }));
        QVERIFY(!b.run.wantsStore() && b.run.storeWrites().empty());
        QCOMPARE(b.run.resultText(), QStringLiteral("KTAR AL LIMITE MINIMO"));
        QCOMPARE(b.run.coverage().at({2, 3}).outcome, CellCoverage::Outcome::AtMinimum);
        QCOMPARE(b.run.coverage().calibrated(), cellsAt({{2, 2}}));

        // The whole-table run after a cell run is the whole-table run again.
        b.runUntil([&] { return !b.run.mayBeInCalibrationMode(); });
        QVERIFY(b.run.start());
        QVERIFY(!b.run.cellMode());
    }

    // Out of the cell in the middle of the gas measurement: the averages start over, the
    // run says why it waits, and it goes on from a whole window of readings back in the cell.
    void leavingTheCellRestartsTheAverages() {
        RollerBench b;
        b.trueK = 112; // converged at once
        QVERIFY(b.run.startCell({2, 2}));
        QVERIFY(b.runUntil([&] { return b.run.phase() == 5 && b.run.avgOnGas() > 0; }));
        // On gas a petrol time in the next row is what a coefficient 30 % off would read at
        // this load: still the cell.
        b.petrolTime = 7400;
        for (int i = 0; i < 10; ++i)
            b.step();
        QVERIFY(!b.run.outOfCell());
        b.petrolTime = 9500; // row 4: more than any coefficient explains; the foot went down
        b.step();
        b.step();
        QVERIFY(b.run.outOfCell());
        QCOMPARE(b.run.runText(),
                 QStringLiteral("IL MOTORE HA LASCIATO LA CELLA TINJ 3 RPM 3: RIPORTARLO NELLA "
                                "CELLA"));
        for (int i = 0; i < 200; ++i)
            b.step();
        QCOMPARE(b.run.phase(), 5);
        QCOMPARE(b.run.avgOnGas(), 6000);

        // Back in the cell at a slightly different load: the first average after the return
        // holds no reading from before the engine left.
        b.petrolTime = 6200;
        int records = 0;
        QVERIFY(b.runUntil([&] {
            records += b.steps % 2 == 0;
            return b.run.avgOnGas() != 6000;
        }));
        QVERIFY(!b.run.outOfCell());
        QCOMPARE(b.run.avgOnGas(), 6200);
        QVERIFY2(records >= AveragingWindow::Slots, qPrintable(QString::number(records)));
    }

    // The map's "engine here for so long": counted per calibration step while the engine
    // stays in one cell, started again at any change, none while it stands.
    void dwellFollowsTheEngine() {
        CellCoverage c;
        c.engineAt(TableCell{1, 4}, 50);
        QCOMPARE(c.dwellMs(), 0);
        for (int i = 0; i < 10; ++i)
            c.engineAt(TableCell{1, 4}, 50);
        QCOMPARE(c.dwellMs(), 500);
        c.engineAt(TableCell{1, 5}, 50);
        QCOMPARE(c.dwellMs(), 0);
        c.engineAt(std::nullopt, 50);
        c.engineAt(std::nullopt, 50);
        QVERIFY(!c.engineCell());
        QCOMPARE(c.dwellMs(), 0);
    }

    // A smooth engine map known at its four corners and four inner cells: the filled table
    // is close to the map everywhere.
    void fillFromEightCellsOfASmoothMap() {
        const std::array<int, 64> truth = EngineModel::risingMap(112, 134);
        KtarValues v = filled(105);
        const KtarCells calibrated =
            cellsAt({{0, 0}, {0, 7}, {7, 0}, {7, 7}, {2, 2}, {2, 5}, {5, 2}, {5, 5}});
        for (int cell = 0; cell < TableSize; ++cell)
            if (calibrated[cell]) v[cell] = truth[std::size_t(cell)];
        const KtarValues f = TableFill::fromCalibrated(v, calibrated).values;
        int sum = 0;
        int largest = 0;
        for (int cell = 0; cell < TableSize; ++cell) {
            const int d = std::abs(f[cell] - truth[std::size_t(cell)]);
            sum += d;
            largest = std::max(largest, d);
        }
        QVERIFY2(sum <= 2 * TableSize && largest <= 4,
                 qPrintable(QStringLiteral("mean %1, largest %2").arg(sum / 64.0).arg(largest)));
    }
};

QTEST_GUILESS_MAIN(TestCells)
#include "test_cells.moc"
