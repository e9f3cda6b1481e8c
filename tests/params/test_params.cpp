#include "params/ParameterChecks.h"
#include "params/ParameterSet.h"
#include "params/ParameterTable.h"
#include "params/RepairRounds.h"
#include "params/WriteList.h"

#include <QtTest>

using Pairs = QList<QPair<int, int>>; // (value, id), as queued

namespace {

ParameterSet defaults() {
    ParameterSet s;
    SetParameterDefaults(s);
    return s;
}

// Runs the upload check and returns the scalar entries, then the table entries.
std::pair<Pairs, Pairs> uploadCheck(const ParameterSet& s) {
    WriteList w;
    w.resetQueue();
    CheckUploadedParameters(s, w);
    Pairs scalars, table;
    for (const auto& e : w.queued())
        (e.table ? table : scalars) << qMakePair(e.value, e.id);
    return {scalars, table};
}

Pairs scalarsOf(const ParameterSet& s) {
    return uploadCheck(s).first;
}

// What the ECU holds after the queued defaults were written.
ParameterSet applied(ParameterSet s) {
    const auto [scalars, table] = uploadCheck(s);
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
    void defaultsFillEveryFieldAndPassBothChecks() {
        const ParameterSet s = defaults();
        QVERIFY(uploadCheck(s).first.isEmpty());
        QVERIFY(uploadCheck(s).second.isEmpty());

        WriteList w;
        w.loadImage(s);
        int code = 0;
        CheckLoadedParameters(w, code);
        QCOMPARE(code, 0);
        ParameterSet back;
        w.storeImage(back);
        QCOMPARE(back, s);
    }

    void idsOutsideTheSetAreNeverStored() {
        ParameterSet s = defaults();
        s.setValue(0, 99);
        s.setValue(63, 99);
        s.setKtar(65, 99);
        QCOMPARE(s, defaults());
        QCOMPARE(s.value(63), 0);
    }

    void invalidProbeTypeResetsTypeAndBothThresholds() {
        ParameterSet s = defaults();
        s.setValue(Lambda1Type, 7);
        s.setValue(Lambda1RichThreshold, 9999); // not looked at: the type decides the range
        s.setValue(CoilCount, 0);
        QCOMPARE(scalarsOf(s), (Pairs{{4, 2}, {2, 3}, {350, 4}, {600, 5}}));
    }

    void thresholdRangeDependsOnProbeType() {
        ParameterSet s = defaults();
        s.setValue(Lambda1Type, 2);
        s.setValue(Lambda1RichThreshold, 3000); // above 0..1000, and still >= lean
        QCOMPARE(scalarsOf(s), (Pairs{{600, 5}}));
        s.setValue(Lambda1Type, 0); // 0..5000 for the 0-5 V probes
        QVERIFY(scalarsOf(s).isEmpty());
    }

    // Inverted probes want rich <= lean; repairing them with the direct defaults (lean 350,
    // rich 600) would break the same rule again at the next upload, for ever.
    void invertedProbeIsRepairedWithSwappedThresholdsAndStaysRepaired() {
        ParameterSet s = defaults();
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

    void temperatureAndLevelPairs() {
        const struct {
            int min, max;
            bool passes;
        } temps[] = {{0, 0, true}, {20, 23, false}, {0, 4, false}, {20, 25, true}, {1, 0, false}};
        for (const auto& t : temps) {
            ParameterSet s = defaults();
            s.setValue(MinTemperature, t.min);
            s.setValue(MaxTemperature, t.max);
            QCOMPARE(scalarsOf(s).isEmpty(), t.passes);
            if (!t.passes) QCOMPARE(scalarsOf(s), (Pairs{{0, 10}, {0, 11}}));
        }
        ParameterSet s = defaults();
        s.setValue(LevelMin, 2500);
        s.setValue(LevelMax, 2500);
        QCOMPARE(scalarsOf(s), (Pairs{{5000, 20}, {0, 19}}));
    }

    void neighbourRulesJudgeEachValueAgainstTheOriginals() {
        ParameterSet s = defaults();
        s.setValue(LevelThreshold1, 50);
        s.setValue(LevelThreshold2, 40);
        s.setValue(LevelThreshold3, 60);
        QCOMPARE(scalarsOf(s), (Pairs{{10, 16}, {30, 17}}));

        s = defaults();
        s.setValue(RpmBreakpoint1, 500);
        s.setValue(RpmBreakpoint1 + 1, 400);
        QCOMPARE(scalarsOf(s), (Pairs{{650, 34}, {1000, 35}}));
        s = defaults();
        s.setValue(TinjBreakpoint1 + 7, 25001); // above the fence
        s.setValue(TinjBreakpoint1, 499);       // below the fence
        QCOMPARE(scalarsOf(s), (Pairs{{2000, 42}, {15000, 49}}));
        // A breakpoint equal to its neighbour, or to the fence, is in order.
        s = defaults();
        s.setValue(RpmBreakpoint1 + 1, 650);
        s.setValue(TinjBreakpoint1, 500);
        s.setValue(TinjBreakpoint1 + 7, 25000);
        QVERIFY(scalarsOf(s).isEmpty());
    }

    void tableEntriesQueueAfterTheScalars() {
        ParameterSet s = defaults();
        s.setKtar(3, 99);
        s.setKtar(64, 151);
        s.setKtar(10, 100);
        s.setKtar(11, 150);
        s.setValue(SwitchRpm, 9000);
        WriteList w;
        w.resetQueue();
        CheckUploadedParameters(s, w);
        QCOMPARE(w.OutOfRangeCount, 2);
        QCOMPARE(w.TableOutOfRangeCount, 3);
        QCOMPARE(w.WriteIds[1], 12);
        QCOMPARE(w.WriteValues[1], 2300);
        QCOMPARE(w.WriteIds[2], 3);
        QCOMPARE(w.WriteIds[3], 64);
        QCOMPARE(w.WriteValues[3], 105);
    }

    void everythingWrongStillFitsTheList() {
        ParameterSet s;
        for (int id = 1; id <= ParameterCount; ++id)
            s.setValue(id, 65535);
        s.setValue(Lambda1Type, 1); // valid type, so the threshold rules run too
        s.setValue(MinTemperature, 1);
        for (int j = 1; j <= TableSize; ++j)
            s.setKtar(j, 0);
        WriteList w;
        w.resetQueue();
        CheckUploadedParameters(s, w);
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

    void loadCheckRepairsInPlaceAndReportsACode() {
        struct Case {
            int id, value, code;
        };
        const Case cases[] = {{Lambda1Type, 9, 3},         {Lambda1RichThreshold, 100, 5},
                              {MaxTemperature, 3, 11},     {LevelMax, 0, 19},
                              {SwitchRpm, 100, SwitchRpm}, {GasType, 2, GasType}};
        for (const Case& c : cases) {
            WriteList w;
            w.loadImage(defaults());
            w.WriteValues[c.id] = c.value;
            int code = 0;
            CheckLoadedParameters(w, code);
            QCOMPARE(code, c.code);
            ParameterSet repaired;
            w.storeImage(repaired);
            QVERIFY(scalarsOf(repaired).isEmpty());
        }
        WriteList w;
        w.loadImage(defaults());
        w.WriteValues[ParameterCount + 7] = 200;
        int code = 0;
        CheckLoadedParameters(w, code);
        QCOMPARE(code, 63);
        QCOMPARE(w.WriteValues[ParameterCount + 7], 105);

        // The upper bound of threshold 1 is threshold 2, not anything else in the image.
        w.loadImage(defaults());
        w.WriteValues[LevelThreshold1] = 20;
        code = 0;
        CheckLoadedParameters(w, code);
        QCOMPARE(code, 0);
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
