// Calibrating the table cell by cell: which cell a record is in, the fill of the cells not
// calibrated, and the run's cell mode against a scripted car on a roller bench.

#include "calib/MarkerGeometry.h"
#include "calib/TableFill.h"

#include "common/AutoCalBench.h"

#include <QtTest>
#include <cmath>

using TableOperations::cellOf;

namespace {

KtarCells cellsAt(std::initializer_list<std::pair<int, int>> cells) {
    KtarCells c;
    for (const auto& [row, column] : cells)
        c[cellOf(row, column)] = true;
    return c;
}

KtarValues tableOf(int value, std::initializer_list<std::array<int, 3>> cells = {}) {
    KtarValues v;
    v.fill(value);
    for (const auto& [row, column, cellValue] : cells)
        v[cellOf(row, column)] = cellValue;
    return v;
}

// The scripted car held in cell (2, 2) of the factory breakpoints: 2500 rpm, petrol time
// 6000; the cell holds 112 in the set and in the ECU, and the gas needs 118 there.
struct RollerBench : AutoCalBench {
    RollerBench() {
        petrolTime = live.PetrolTinj = 6000;
        live.Kcor = 125;
        trueCoefficient(118);
        params.setKtar(19, 112);
        memory.table[19] = 112;
        run.liveRecord(live);
    }
};

} // namespace

class TestCells : public QObject {
    Q_OBJECT
private slots:
    // The cell is the one the marker sits in: it reaches a column at that column's
    // breakpoint, stays in the first below the first breakpoint and in the last above.
    void cellFollowsTheMarkersRule() {
        ParameterSet s;
        SetParameterDefaults(s); // rpm 650, 1000, 2000 .. 7000; injection 2000, 3500 .. 15000
        const Breakpoints b = Breakpoints::of(s);
        const QList<QPair<int, int>> columns{{0, 0},    {999, 0},  {1000, 1}, {2999, 2},
                                             {3000, 3}, {6999, 6}, {7000, 7}, {9000, 7}};
        for (const auto& [rpm, expected] : columns)
            QCOMPARE(MarkerGeometry::column(rpm, b.rpm), expected);
        QCOMPARE(MarkerGeometry::cellAt(2500, 3500, b), (TableCell{1, 2}));
        QCOMPARE(MarkerGeometry::cellAt(9000, 65535, b), (TableCell{7, 7}));

        // Whatever the breakpoints, even out of order, the cell is the column the marker's
        // position falls in (its box starts 240 twips left of it at the breakpoint).
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
        QVERIFY(!TableFill::canFill(cellsAt({{0, 0}, {0, 7}, {7, 0}})));
        QVERIFY(!TableFill::canFill(cellsAt({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {7, 7}})));
        QVERIFY(TableFill::canFill(cellsAt({{3, 3}, {3, 4}, {4, 3}, {4, 4}})));
        QVERIFY(TableFill::canFill(cellsAt({{1, 2}, {1, 6}, {5, 2}, {5, 6}, {0, 0}})));
    }

    // Interpolated along rpm and injection time between calibrated cells, held beyond them,
    // whole numbers; calibrated cells keep their value and only changed cells are marked.
    void fillInterpolatesBetweenAndHoldsBeyond() {
        // The four corners of the table: along rows and columns alike, i.e. bilinear.
        KtarValues v = tableOf(105, {{0, 0, 100}, {0, 7, 121}, {7, 0, 128}, {7, 7, 149}});
        const KtarCells corners = cellsAt({{0, 0}, {0, 7}, {7, 0}, {7, 7}});
        TableChange c = TableFill::fromCalibrated(v, corners);
        QCOMPARE(c.values, TableOperations::interpolate(v, TableSelection::whole(),
                                                        TableOperations::Interpolation::Bilinear)
                               .values);
        QCOMPARE(c.values[cellOf(3, 5)], 127); // 115 + (143 - 115) * 3 / 7
        QCOMPARE(int(c.changed.count()), 60);

        // Four inner cells: the square between them interpolated, the rest held at the
        // nearest edge of it; a cell already at its value is not marked.
        v = tableOf(105, {{2, 2, 110}, {2, 5, 119}, {5, 2, 131}, {5, 5, 140}, {0, 0, 110}});
        c = TableFill::fromCalibrated(v, cellsAt({{2, 2}, {2, 5}, {5, 2}, {5, 5}}));
        const QList<QPair<int, int>> expected{{cellOf(2, 3), 113}, {cellOf(3, 3), 120},
                                              {cellOf(4, 4), 130}, {cellOf(0, 3), 113},
                                              {cellOf(3, 7), 126}, {cellOf(7, 0), 131}};
        for (const auto& [cell, value] : expected)
            QVERIFY2(c.values[cell] == value, qPrintable(QString::number(cell)));
        QVERIFY(!c.changed[cellOf(0, 0)] && c.changed[cellOf(0, 1)]);

        // One calibrated cell: everything held at it. None: nothing changes.
        v = tableOf(105, {{4, 6, 127}});
        QCOMPARE(TableFill::fromCalibrated(v, cellsAt({{4, 6}})).values, tableOf(127));
        QVERIFY(TableFill::fromCalibrated(v, {}).changed.none());
    }

    // A cell run starts from the cell's value, measures as the whole-table run does and
    // stores only its cell, without the references; the coverage keeps the outcome. A
    // limit stores nothing; the whole-table run afterwards is itself again.
    void cellRunStoresOnlyItsCell() {
        RollerBench b;
        QVERIFY(b.run.startCell({2, 2}));
        QVERIFY(b.runUntil([&] { return b.run.phase() == 3; }));
        QCOMPARE(b.run.ktar(), 112); // the cell's value, not the 125 in use
        QCOMPARE(b.run.cellUnderCalibration(), (TableCell{2, 2}));
        QVERIFY(b.runUntil([&] { return b.run.storing(); }));
        QCOMPARE(b.run.store().table().writes(), (std::vector<WriteList::Entry>{{19, 118, true}}));
        QVERIFY(b.runUntil([&] { return !b.run.mayBeInCalibrationMode(); }));
        QCOMPARE(b.run.store().state(), AutoCalibrationStore::State::Verified);
        QVERIFY(b.run.store().references().writes().empty());
        QCOMPARE(int(b.memory.table[19]), 118);
        QVERIFY(!b.run.cellUnderCalibration());
        QCOMPARE(b.run.coverage().at({2, 2}).value, 118);
        QCOMPARE(b.run.coverage().calibrated(), cellsAt({{2, 2}}));

        b.live.Rpm = 3500; // the next cell, whose gas needs less than the minimum
        b.trueCoefficient(90);
        b.step();
        QVERIFY(b.run.startCell({2, 3}));
        QVERIFY(b.runUntil([&] { return b.run.result() == AutoCalibrationRun::Result::Limit; }));
        QCOMPARE(b.run.resultText(), QStringLiteral("KTAR AL LIMITE MINIMO"));
        QCOMPARE(b.run.store().state(), AutoCalibrationStore::State::Idle);
        QCOMPARE(b.run.coverage().at({2, 3}).outcome, CellCoverage::Outcome::AtMinimum);
        QCOMPARE(b.run.coverage().calibrated(), cellsAt({{2, 2}}));

        b.runUntil([&] { return !b.run.mayBeInCalibrationMode(); });
        QVERIFY(b.run.start());
        QVERIFY(!b.run.cellMode());
    }

    // Out of the cell in the middle of the gas measurement: the averages start over, the
    // run says why it waits, and it goes on from a whole window of readings back in the cell.
    void leavingTheCellRestartsTheAverages() {
        RollerBench b;
        b.trueCoefficient(112); // converged at once
        QVERIFY(b.run.startCell({2, 2}));
        QVERIFY(b.runUntil([&] { return b.run.phase() == 5 && b.run.avgOnGas() > 0; }));
        // On gas a petrol time in the next row is what a coefficient 30 % off would read at
        // this load: still the cell.
        b.petrolTime = 7400;
        for (int i = 0; i < 10; ++i)
            b.step();
        QVERIFY(!b.run.outOfCell());
        b.petrolTime = 9500; // more than any coefficient explains: the foot went down
        b.step();
        b.step();
        QCOMPARE(b.run.runText(),
                 QStringLiteral("IL MOTORE HA LASCIATO LA CELLA TINJ 3 RPM 3: RIPORTARLO NELLA "
                                "CELLA"));
        for (int i = 0; i < 200; ++i)
            b.step();
        QCOMPARE(b.run.phase(), 5);
        QCOMPARE(b.run.avgOnGas(), 6000);
        QCOMPARE(b.run.coverage().engineCell(), (TableCell{4, 2}));
        b.run.setLinkLost(true); // the map shows no engine without a link
        QVERIFY(!b.run.coverage().engineCell());
        b.run.setLinkLost(false);

        // Back at a slightly different load: the first average holds no earlier reading.
        b.petrolTime = 6200;
        const int from = b.steps;
        QVERIFY(b.runUntil([&] { return b.run.avgOnGas() != 6000; }));
        QCOMPARE(b.run.avgOnGas(), 6200);
        QVERIFY(b.steps - from >= 2 * AveragingWindow::Slots - 1);
    }

    // STOP, EXIT and a lost link end a cell run mid-measurement as they end the whole-table
    // run: calibration mode is left (or, the ECU silent, a second EXIT says it may not be),
    // nothing is stored and the cell is not counted as calibrated.
    void aCellRunEndsAsTheWholeRunDoes() {
        for (const char* ending : {"stop", "exit", "lost link, exit twice"}) {
            const QByteArray what(ending);
            RollerBench b;
            QVERIFY(b.run.startCell({2, 2}));
            QVERIFY(b.runUntil([&] { return b.run.phase() == 5 && b.inCalibration; }));
            if (what == "stop") {
                QVERIFY(b.run.stop());
            } else if (what == "exit") {
                QCOMPARE(b.run.exit(), AutoCalibrationRun::ExitDecision::WaitForEcu);
                QVERIFY2(b.runUntil([&] { return b.run.readyToLeave(); }), ending);
            } else {
                b.silent = true;
                b.run.setLinkLost(true);
                QCOMPARE(b.run.exit(), AutoCalibrationRun::ExitDecision::WaitForEcu);
                QCOMPARE(b.run.exit(), AutoCalibrationRun::ExitDecision::LeaveNow);
                ParameterSet set = b.params;
                QCOMPARE(b.run.leave(set),
                         QStringList{"LA CENTRALINA POTREBBE ESSERE ANCORA IN MODALITÀ TARATURA"});
                QCOMPARE(set.ktar(19), 112);
            }
            b.runUntil([&] { return !b.run.mayBeInCalibrationMode(); }, 400);
            QVERIFY2(b.inCalibration == b.silent, ending);
            QVERIFY2(b.run.store().state() == AutoCalibrationStore::State::Idle, ending);
            QCOMPARE(int(b.memory.table[19]), 112);
            QCOMPARE(b.run.coverage().calibrated(), cellsAt({}));
        }
    }

    // The fill goes through the store outside calibration mode: only its changed cells are
    // written and read back, no leave request; EXIT during it waits for it, then may go.
    void fillIsWrittenThroughTheStore() {
        RollerBench b;
        TableChange fill{TableOperations::fromSet(b.params), {}, 0};
        for (int cell : {3, 40}) {
            fill.values[cell] = 120;
            fill.changed[std::size_t(cell)] = true;
        }
        QVERIFY(b.run.startCell({2, 2}));
        QVERIFY(!b.run.writeFill(fill)); // not while entering calibration mode
        QVERIFY(b.run.stop());
        QVERIFY(b.runUntil([&] { return !b.run.mayBeInCalibrationMode(); }));
        QVERIFY(b.run.writeFill(fill));
        QCOMPARE(b.run.store().table().writes(),
                 (std::vector<WriteList::Entry>{{4, 120, true}, {41, 120, true}}));
        QCOMPARE(b.run.exit(), AutoCalibrationRun::ExitDecision::WaitForEcu);
        b.sent.clear();
        QVERIFY(b.runUntil([&] { return b.run.readyToLeave(); }));
        QVERIFY(b.sent.isEmpty());
        QCOMPARE(int(b.memory.table[41]), 120);
        QCOMPARE(b.run.store().state(), AutoCalibrationStore::State::Verified);
        QVERIFY(b.run.coverage().calibrated().none());
    }
};

QTEST_GUILESS_MAIN(TestCells)
#include "test_cells.moc"
