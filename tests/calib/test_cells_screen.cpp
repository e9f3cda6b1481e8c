// The automatic calibration screen's cell-by-cell side through its controls, against the
// virtual car held on a roller bench, in engine time.

#include "common/CellDrive.h"

#include "screens/calib/CellMap.h"
#include "screens/calib/CellPanel.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using Run = AutoCalibrationRun;

class TestCellsScreen : public QObject {
    Q_OBJECT

private slots:
    // A cell run against the car: within 1 of the cell's true coefficient in at most three
    // updates, or at the limit with its text; only that cell changes in the ECU, verified.
    void cellRunFindsTheCellsCoefficient_data() {
        QTest::addColumn<int>("map"); // 0 flat 118, 1 rising 112..134, 2 rising, a cell at 156
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("dropRate");
        QTest::newRow("flat 118, middle") << 0 << 3 << 4 << 0.0;
        QTest::newRow("rising, low corner") << 1 << 0 << 0 << 0.0;
        QTest::newRow("rising, high load, a tenth dropped") << 1 << 6 << 5 << 0.1;
        QTest::newRow("rising, a cell past the maximum") << 2 << 7 << 7 << 0.0;
    }
    void cellRunFindsTheCellsCoefficient() {
        QFETCH(int, map);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(double, dropRate);
        std::array<int, 64> truth = map == 0 ? flatMap(118) : EngineModel::risingMap(112, 134);
        if (map == 2) truth[63] = 156;
        World w(heldCar(truth), FaultSettings{.dropRate = dropRate});
        AutoCalDrive drive(w);
        const Run& run = drive.open()->run();
        const TableCell cell{row, column};
        const EcuMemory before = w.ecu.memory();
        QVERIFY(calibrateCell(w, drive, cell));
        const int k = truth[std::size_t(cell.index())];
        QVERIFY2(run.updates() <= 3, qPrintable(QString::number(run.updates())));
        QVERIFY(!w.ecu.model().inCalibration());
        const auto* label2 = w.control<QLabel>(ScreenId::Form8, QStringLiteral("Label2"));
        if (k > TableMax) {
            QCOMPARE(run.result(), Run::Result::Limit);
            QCOMPARE(label2->text(), QStringLiteral("KTAR AL LIMITE MASSIMO"));
            QCOMPARE(w.ecu.memory().table, before.table);
            return;
        }
        QVERIFY2(std::abs(run.ktar() - k) <= 1, qPrintable(QString::number(run.ktar())));
        QCOMPARE(run.coverage().at(cell).outcome, CellCoverage::Outcome::Calibrated);
        for (int entry = 1; entry <= TableSize; ++entry)
            QCOMPARE(int(w.ecu.memory().table[std::size_t(entry)]),
                     entry == cell.index() + 1 ? run.ktar() : 105);
        QCOMPARE(w.g.parameters.ktar(cell.index() + 1), run.ktar());
        // The references the other cells were found with are left alone.
        QCOMPARE(w.ecu.memory().words, before.words);
    }

    // Four corners of a region calibrated: the fill is proposed with its changes marked and
    // nothing written; WRITE writes it, verified, and the map shows the ECU's table again.
    void fillIsProposedThenWritten() {
        World w(heldCar(EngineModel::risingMap(112, 134)), FaultSettings{});
        AutoCalDrive drive(w);
        const Form8* screen = drive.open();
        const auto* panel = screen->findChild<const CellPanel*>();
        auto* fill = w.control<QPushButton>(ScreenId::Form8, QStringLiteral("CommandFill"));
        QVERIFY(panel && fill);
        for (const TableCell c : {TableCell{1, 1}, TableCell{1, 4}, TableCell{4, 1}})
            QVERIFY(calibrateCell(w, drive, c));
        QVERIFY(!fill->isEnabled());
        QVERIFY(calibrateCell(w, drive, {4, 4}));
        drive.runFor(200);
        QVERIFY(fill->isEnabled());

        const EcuMemory before = w.ecu.memory();
        w.click(ScreenId::Form8, QStringLiteral("CommandFill"));
        QVERIFY(panel->proposal());
        const TableChange proposal = *panel->proposal();
        QVERIFY(panel->map().view().proposal);
        QCOMPARE(panel->map().view().changed, proposal.changed);
        QCOMPARE(panel->map().view().values, proposal.values);
        QCOMPARE(int(proposal.changed.count()), 60); // every cell but the four
        drive.runFor(2000);
        QCOMPARE(w.ecu.memory().table, before.table);

        w.click(ScreenId::Form8, QStringLiteral("CommandFillWrite"));
        QVERIFY(drive.runUntil([&] { return !panel->proposal(); }, 60000));
        for (int cell = 0; cell < TableSize; ++cell)
            QCOMPARE(int(w.ecu.memory().table[std::size_t(cell + 1)]), proposal.values[cell]);
        QCOMPARE(TableOperations::fromSet(w.g.parameters), proposal.values);
        QVERIFY(!panel->map().view().proposal);
        QCOMPARE(w.control<QLabel>(ScreenId::Form8, QStringLiteral("StoreText"))->text(),
                 QStringLiteral("Parametri scritti e verificati"));
    }
};

QTEST_MAIN(TestCellsScreen)
#include "test_cells_screen.moc"
