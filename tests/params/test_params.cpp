#include "common/TestData.h"

#include "params/FuelChoice.h"
#include "params/ParameterChecks.h"
#include "params/ParameterSet.h"
#include "params/ParameterTable.h"
#include "params/RepairRounds.h"
#include "params/WriteList.h"

#include <QtTest>

using Pairs = QList<QPair<int, int>>; // (value, id), as queued

namespace {

// Runs the upload check and returns the scalar entries, then the table entries.
std::pair<Pairs, Pairs> queuedPairs(const ParameterSet& s) {
    Pairs scalars, table;
    for (const auto& e : uploadChecked(s).queued())
        (e.table ? table : scalars) << qMakePair(e.value, e.id);
    return {scalars, table};
}

Pairs scalarsOf(const ParameterSet& s) {
    return queuedPairs(s).first;
}

// What the ECU holds after the queued defaults were written.
ParameterSet applied(ParameterSet s) {
    const auto [scalars, table] = queuedPairs(s);
    for (const auto& [v, id] : scalars)
        s.setValue(id, v);
    for (const auto& [v, j] : table)
        s.setKtar(j, v);
    return s;
}

} // namespace

class TestParams : public QObject {
    Q_OBJECT
private slots:
    // The defaults fill every field and pass both checks; ids outside the set are never
    // stored.
    void defaultsPassBothChecksAndIdsOutsideAreNeverStored() {
        ParameterSet s = defaultSet();
        QCOMPARE(queuedPairs(s), std::make_pair(Pairs{}, Pairs{}));

        WriteList w;
        w.loadImage(s);
        int code = 0;
        CheckLoadedParameters(w, code);
        QCOMPARE(code, 0);
        ParameterSet back;
        w.storeImage(back);
        QCOMPARE(back, s);

        s.setValue(0, 99);
        s.setValue(63, 99);
        s.setKtar(65, 99);
        QCOMPARE(s, defaultSet());
        QCOMPARE(s.value(63), 0);
    }

    // Each rule on its own, from the defaults: what is changed, and the (value, id) pairs the
    // upload check queues for it, in order.
    void scalarRulesQueueTheirDefaults() {
        using Changes = QList<QPair<int, int>>; // (id, value)
        const std::pair<Changes, Pairs> cases[] = {
            // An invalid probe type resets the type and both thresholds, whatever they hold.
            {{{Lambda1Type, 7}, {Lambda1RichThreshold, 9999}, {CoilCount, 0}},
             {{4, 2}, {2, 3}, {350, 4}, {600, 5}}},
            // The threshold range depends on the probe: 0..1000, or 0..5000 for the 0-5 V ones.
            {{{Lambda1Type, 2}, {Lambda1RichThreshold, 3000}}, {{600, 5}}},
            {{{Lambda1Type, 0}, {Lambda1RichThreshold, 3000}}, {}},
            // Temperatures: both 0, or at least five apart.
            {{{MinTemperature, 0}, {MaxTemperature, 0}}, {}},
            {{{MinTemperature, 20}, {MaxTemperature, 25}}, {}},
            {{{MinTemperature, 20}, {MaxTemperature, 23}}, {{0, 10}, {0, 11}}},
            {{{MinTemperature, 0}, {MaxTemperature, 4}}, {{0, 10}, {0, 11}}},
            {{{MinTemperature, 1}, {MaxTemperature, 0}}, {{0, 10}, {0, 11}}},
            {{{LevelMin, 2500}, {LevelMax, 2500}}, {{5000, 20}, {0, 19}}},
            // Neighbours are judged against the values as uploaded, not the repaired ones.
            {{{LevelThreshold1, 50}, {LevelThreshold2, 40}, {LevelThreshold3, 60}},
             {{10, 16}, {30, 17}}},
            {{{RpmBreakpoint1, 500}, {RpmBreakpoint1 + 1, 400}}, {{650, 34}, {1000, 35}}},
            {{{TinjBreakpoint1 + 7, 25001}, {TinjBreakpoint1, 499}}, {{2000, 42}, {15000, 49}}},
            // A breakpoint equal to its neighbour, or to the fence, is in order.
            {{{RpmBreakpoint1 + 1, 650}, {TinjBreakpoint1, 500}, {TinjBreakpoint1 + 7, 25000}}, {}},
        };
        for (const auto& [changes, queued] : cases) {
            ParameterSet s = defaultSet();
            for (const auto& [id, value] : changes)
                s.setValue(id, value);
            QCOMPARE(scalarsOf(s), queued);
        }
    }

    // Inverted probes want rich <= lean; repairing them with the direct defaults (lean 350,
    // rich 600) would break the same rule again at the next upload, for ever.
    void invertedProbeIsRepairedWithSwappedThresholdsAndStaysRepaired() {
        ParameterSet s = defaultSet();
        s.setValue(Lambda1Type, 0);
        QVERIFY(scalarsOf(s).isEmpty()); // lean 350, rich 600 is right for a direct probe
        for (int type : {1, 3}) {
            s.setValue(Lambda1Type, type);
            QCOMPARE(scalarsOf(s), (Pairs{{600, 4}, {350, 5}}));
            QVERIFY(scalarsOf(applied(s)).isEmpty());
        }
        // A threshold out of range on an inverted probe still ends on a valid set.
        s.setValue(Lambda1Type, 1);
        s.setValue(Lambda1RichThreshold, 6000);
        s.setValue(Lambda1LeanThreshold, 700);
        QVERIFY(scalarsOf(applied(s)).isEmpty());
    }

    void tableEntriesQueueAfterTheScalars() {
        ParameterSet s = defaultSet();
        s.setKtar(3, 99);
        s.setKtar(64, 151);
        s.setKtar(10, 100);
        s.setKtar(11, 150);
        s.setValue(SwitchRpm, 9000);
        const WriteList w = uploadChecked(s);
        QCOMPARE(w.OutOfRangeCount, 2);
        QCOMPARE(w.TableOutOfRangeCount, 3);
        Pairs queued;
        for (const auto& e : w.queued())
            queued << qMakePair(e.value, e.id);
        QCOMPARE(queued, (Pairs{{2300, 12}, {105, 3}, {105, 64}}));
    }

    void everythingWrongStillFitsTheList() {
        ParameterSet s;
        for (int id = 1; id <= ParameterCount; ++id)
            s.setValue(id, 65535);
        s.setValue(Lambda1Type, 1); // valid type, so the threshold rules run too
        s.setValue(MinTemperature, 1);
        for (int j = 1; j <= TableSize; ++j)
            s.setKtar(j, 0);
        const WriteList w = uploadChecked(s);
        QCOMPARE(w.TableOutOfRangeCount - 1, 64);
        QVERIFY(w.OutOfRangeCount - 1 <= 53);
        QVERIFY(w.OutOfRangeCount + w.TableOutOfRangeCount - 2 <= WriteList::LastSlot);
        // Neighbour rules judge against the values as uploaded, so a chain of bad neighbours
        // takes several rounds; it must still end on a valid set.
        int rounds = 0;
        while (!scalarsOf(s).isEmpty() && rounds < 12) {
            s = applied(s);
            ++rounds;
        }
        QVERIFY(scalarsOf(s).isEmpty());
        QVERIFY(rounds <= 9); // a row of eight breakpoints heals one or two a round
    }

    // The value a repair leaves is the default; the upper bound of threshold 1 is threshold 2,
    // not anything else in the image.
    void loadCheckRepairsInPlaceAndReportsACode() {
        struct Case {
            int slot, value, code;
        };
        const Case cases[] = {{Lambda1Type, 9, 3},           {Lambda1RichThreshold, 100, 5},
                              {MaxTemperature, 3, 11},       {LevelMax, 0, 19},
                              {SwitchRpm, 100, SwitchRpm},   {GasType, 2, GasType},
                              {ParameterCount + 7, 200, 63}, {LevelThreshold1, 20, 0}};
        WriteList defaultImage;
        defaultImage.loadImage(defaultSet());
        for (const Case& c : cases) {
            WriteList w = defaultImage;
            w.WriteValues[c.slot] = c.value;
            int code = 0;
            CheckLoadedParameters(w, code);
            QCOMPARE(code, c.code);
            QCOMPARE(w.WriteValues[c.slot], c.code ? defaultImage.WriteValues[c.slot] : c.value);
            ParameterSet repaired;
            w.storeImage(repaired);
            QVERIFY(scalarsOf(repaired).isEmpty());
        }
    }

    void repairRoundsStopOnTheThirdIdenticalQueue() {
        RepairRounds rounds;
        const std::vector<WriteList::Entry> a{{12, 2300, false}, {5, 105, true}};
        const std::vector<WriteList::Entry> b{{12, 2300, false}};
        QVERIFY(!rounds.record(a));
        QVERIFY(!rounds.record(a));
        QVERIFY(!rounds.record(b)); // progress: the count starts again
        QVERIFY(!rounds.record(b));
        QVERIFY(rounds.record(b));
        QCOMPARE(RepairRounds::describe(a), QStringLiteral("GIRI COMMUTAZIONE (12)\nKTAR 5"));
    }

    // Only a real change of fuel is written, and the gas type never without its end-of-gas
    // pressure (methane 850, LPG 400 mbar); a set holding no known gas writes nothing.
    void aFuelChangeWritesTheGasWithItsPressure() {
        using E = WriteList::Entry;
        const struct {
            int held, chosen;
            std::vector<E> writes;
        } cases[] = {
            {0, 1, {{GasType, 1, false}, {EndOfGasPressure, 850, false}}},
            {1, 0, {{GasType, 0, false}, {EndOfGasPressure, 400, false}}},
            {0, 0, {}},
            {1, 1, {}},
            {2, 0, {}},
            {0, 2, {}},
        };
        for (const auto& c : cases)
            QVERIFY2(FuelChoice::switchWrites(c.held, c.chosen) == c.writes,
                     qPrintable(QStringLiteral("%1 -> %2").arg(c.held).arg(c.chosen)));
    }

    void queueRefusesToRunPastTheLastSlot() {
        WriteList w;
        w.resetQueue();
        for (int i = 0; i < WriteList::LastSlot; ++i)
            QVERIFY(w.queue(i, 1));
        QVERIFY(!w.queue(1, 1));
        QCOMPARE(w.OutOfRangeCount, WriteList::LastSlot + 1);
    }
};

QTEST_GUILESS_MAIN(TestParams)
#include "test_params.moc"
