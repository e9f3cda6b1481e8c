// The automatic calibration run, stepped tick by tick against a scripted ECU with literal
// values. The run against the virtual ECU's car is in the screen's tests.

#include "calib/AutoCalibrationRun.h"
#include "calib/CoefficientUpdate.h"
#include "calib/StabilityRing.h"
#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"
#include "params/ParameterSet.h"

#include <QtTest>
#include <functional>
#include <map>

using Outcome = CoefficientUpdate::Outcome;
using Run = AutoCalibrationRun;

namespace {

// A scripted ECU around the run. Every second 50 ms step is one 100 ms exchange in which the
// ECU answers the run's request at once. The petrol time on gas follows the coefficient in
// use, as the car's petrol unit trims a lean or rich gas mix.
struct Bench {
    ParameterSet params;
    LanguageTable language; // empty: the run shows its Italian texts
    Run run{params, language};
    LiveData live;
    int petrolTime = 2000;
    std::function<int(int)> gasTime = [](int) { return 2000; };
    bool ecuSwitches = true;
    bool silent = false; // nothing sent, nothing answered
    int switchDelay = 3; // exchanges from command 4 to the other fuel
    int countdown = 0;
    bool inCalibration = false;
    int steps = 0;
    int exchangeEvery = 2;      // steps per exchange
    std::map<int, int> ticksIn; // phase -> ticks spent in it
    QList<int> sent;

    Bench() {
        SetParameterDefaults(params); // CalibrationTemperature 70
        live.Rpm = 2500;
        live.Temperature = 80;
        live.Pressure1 = 1300;
        live.FuelState = 1;
        live.Kcor = 120;
        live.PetrolTinj = petrolTime;
    }
    void trueCoefficient(int k) {
        gasTime = [this, k](int inUse) { return petrolTime * k / inUse; };
    }
    bool start() { // the screen has been polling: a record is in
        run.liveRecord(live);
        return run.start();
    }
    void step() {
        if (steps++ % exchangeEvery == 0 && !silent) {
            if (countdown > 0 && --countdown == 0) live.FuelState = 1 - live.FuelState;
            const CalibrationRequest r = run.request();
            sent << r.command;
            run.sent(r);
            if (r.command == Commands::CalibrationLive) {
                live.Kcor = inCalibration ? r.coefficient : live.Kcor;
                live.PetrolTinj = live.FuelState == 1 ? petrolTime : gasTime(live.Kcor);
                run.liveRecord(live);
            } else {
                if (r.command != Commands::SwitchFuel)
                    inCalibration = r.command == Commands::EnterCalibration;
                else if (ecuSwitches && countdown == 0)
                    countdown = switchDelay;
                run.acknowledged(r.command);
            }
        }
        ++ticksIn[run.phase()];
        run.tick();
    }
    void advance(int n) {
        for (int i = 0; i < n; ++i)
            step();
    }
    bool runUntil(const std::function<bool()>& done, int limit = 20000) {
        for (int i = 0; i < limit && !done(); ++i)
            step();
        return done();
    }
    bool reachPhase(int phase) {
        return runUntil([this, phase] { return run.phase() == phase; });
    }
    int switchesSent() const { return int(sent.count(Commands::SwitchFuel)); }
};

} // namespace

class TestAutoCal : public QObject {
    Q_OBJECT

private slots:
    void coefficientUpdate() {
        const struct {
            int reference, gas, k, ktar;
            Outcome outcome;
        } cases[] = {
            {2000, 2100, 120, 126, Outcome::Continue},  {2000, 2000, 120, 120, Outcome::Converged},
            {2000, 1000, 120, 100, Outcome::AtMinimum}, {2000, 3000, 120, 150, Outcome::AtMaximum},
            {2400, 2000, 120, 100, Outcome::AtMinimum}, {2000, 2500, 120, 150, Outcome::AtMaximum},
            {2000, 2484, 120, 149, Outcome::Continue},  // 149.04
            {2420, 2450, 121, 122, Outcome::Converged}, // 122.5: halves to the even neighbour
            {2000, 1900, 130, 124, Outcome::Continue},  // 123.5
        };
        for (const auto& c : cases) {
            const auto u = updateCoefficient(c.k, c.gas, c.reference);
            QVERIFY(u);
            QCOMPARE(u->ktar, c.ktar);
            QCOMPARE(u->outcome, c.outcome);
        }
        QVERIFY(!updateCoefficient(120, 2000, 0));
    }

    // Two updates from 120 to 126, one switch command per switch; a reference out of range is
    // left out of the store, and said; calibration mode is left once the store is over.
    void runConvergesAndStores() {
        Bench b;
        b.trueCoefficient(126); // gas 2100 with 120, 2000 with 126
        b.live.Pressure1 = 2500;
        QVERIFY(b.start());
        QVERIFY(b.reachPhase(7));
        QCOMPARE(b.run.petrolReference(), 2000);
        QVERIFY(b.reachPhase(8));
        QCOMPARE(b.run.updates(), 2);
        QCOMPARE(b.run.result(), Run::Result::Converged);
        QCOMPARE(b.run.resultText(), QStringLiteral("TARATURA TERMINATA"));
        QCOMPARE(b.switchesSent(), 4); // to gas, back, to gas, back
        QVERIFY(b.run.wantsStore() && !b.run.canStop() && !b.run.canStart());
        const auto& w = b.run.storeWrites();
        QCOMPARE(w.size(), std::size_t(65));
        for (int i = 0; i < 64; ++i)
            QCOMPARE(w[std::size_t(i)], (WriteList::Entry{i + 1, 126, true}));
        QCOMPARE(w[64], (WriteList::Entry{CalibrationTemperature, 80, false}));
        QCOMPARE(b.run.noticeText(), QStringLiteral("PRESSIONE DI TARATURA FUORI LIMITI, NON "
                                                    "MEMORIZZATA: 2500 (500..2000)"));

        QCOMPARE(b.run.exit(), Run::ExitDecision::WaitForEcu);
        b.advance(20);
        QCOMPARE(b.sent.last(), int(Commands::CalibrationLive));
        QVERIFY(b.inCalibration && !b.run.readyToLeave());
        b.run.storeFinished(true);
        QCOMPARE(b.run.request().command, int(Commands::LeaveCalibration));
        b.step();
        QVERIFY(!b.inCalibration && !b.run.mayBeInCalibrationMode() && b.run.readyToLeave());
        QCOMPARE(b.run.runText(), QStringLiteral("KGB MEMORIZZATO "));
    }

    void updateTakesTheGasAverageThatPassed() {
        Bench b;
        b.gasTime = [](int) { return 2100; };
        b.switchDelay = 30; // another whole gas window completes before petrol returns
        QVERIFY(b.start());
        QVERIFY(b.reachPhase(6));
        b.gasTime = [](int) { return 3000; };
        QVERIFY(b.reachPhase(7));
        QCOMPARE(b.run.avgOnGas(), 3000);
        QCOMPARE(b.run.ktar(), 126);
    }

    void runEndsAndLeavesCalibrationMode_data() {
        QTest::addColumn<int>("trueK"); // 0: the answer swings between 120 and 130
        QTest::addColumn<bool>("ecuSwitches");
        QTest::addColumn<int>("updates");
        QTest::addColumn<int>("switches");
        QTest::addColumn<QString>("runText");
        QTest::addColumn<QString>("resultText");
        const QString limit = "KTAR FUORI LIMITI - TARATURA INTERROTTA";
        const QString stopped = "TARATURA INTERROTTA";
        QTest::newRow("minimum") << 90 << true << 1 << 2 << limit << "KTAR AL LIMITE MINIMO";
        QTest::newRow("maximum") << 170 << true << 1 << 2 << limit << "KTAR AL LIMITE MASSIMO";
        QTest::newRow("no convergence")
            << 0 << true << 10 << 20 << stopped << "KTAR NON STABILE DOPO 10 AGGIORNAMENTI";
        QTest::newRow("switch refused")
            << 120 << false << 0 << 3 << stopped << "COMMUTAZIONE NON ESEGUITA DALLA CENTRALINA";
    }
    void runEndsAndLeavesCalibrationMode() {
        QFETCH(int, trueK);
        QFETCH(bool, ecuSwitches);
        QFETCH(int, updates);
        QFETCH(int, switches);
        QFETCH(QString, runText);
        QFETCH(QString, resultText);
        Bench b;
        b.trueCoefficient(trueK);
        if (trueK == 0)
            b.gasTime = [&b](int k) { return b.petrolTime * (k < 125 ? 130 : 120) / k; };
        b.ecuSwitches = ecuSwitches;
        QVERIFY(b.start());
        QVERIFY(b.reachPhase(4));
        const int waitFrom = b.steps;
        QVERIFY(b.runUntil([&] { return !b.inCalibration; }));
        // A refused switch is asked for three times, 5 s apart, then the run gives up.
        if (!ecuSwitches)
            QVERIFY(b.steps - waitFrom >= 3 * Run::SwitchWaitTicks && b.steps - waitFrom < 320);
        b.advance(200);
        QCOMPARE(b.run.updates(), updates);
        QCOMPARE(b.switchesSent(), switches);
        QCOMPARE(b.run.phase(), 0);
        QCOMPARE(b.run.runText(), runText);
        QCOMPARE(b.run.resultText(), resultText);
        QVERIFY(!b.run.canStop() && b.run.canStart() && !b.run.wantsStore());
    }

    // An ECU waiting for its own condition (here the switching speed) holds the switch: it is
    // not asked again until the ECU shows none pending, and three tries still end the run.
    void aSwitchTheEcuHoldsIsNotAskedAgain() {
        Bench b;
        b.trueCoefficient(120);
        b.ecuSwitches = false;
        QVERIFY(b.start());
        QVERIFY(b.reachPhase(4));
        b.live.EcuState = 7;
        b.advance(20 * 1000 / Run::TickMs);
        QCOMPARE(b.switchesSent(), 1);
        QCOMPARE(b.run.phase(), 4);
        b.live.EcuState = 3; // running on petrol, nothing pending
        b.advance(Run::SwitchWaitTicks - 2);
        QCOMPARE(b.switchesSent(), 1);
        b.advance(6);
        QCOMPARE(b.switchesSent(), 2);
        QVERIFY(b.runUntil([&] { return b.run.phase() == 0; }));
        QCOMPARE(b.switchesSent(), 3);
        QCOMPARE(b.run.resultText(), QStringLiteral("COMMUTAZIONE NON ESEGUITA DALLA CENTRALINA"));
    }

    void averaging() {
        Bench b;
        const auto feed = [&b](int tinj, int n) {
            b.live.PetrolTinj = tinj;
            for (int i = 0; i < n; ++i)
                b.run.liveRecord(b.live);
        };
        feed(10000, 1); // the first reading of a window is not summed
        feed(2000, 20);
        QCOMPARE(b.run.avgOnPetrol(), 2000);
        feed(9999, 1);
        feed(2000, 19);
        feed(2019, 1); // 40019 / 20, rounded down
        QCOMPARE(b.run.avgOnPetrol(), 2000);

        feed(5000, 10); // the window starts over on gas: no average mixes the fuels
        b.live.FuelState = 0;
        feed(3000, 20);
        QCOMPARE(b.run.avgOnGas(), 0);
        feed(3000, 1);
        QCOMPARE(b.run.avgOnGas(), 3000);
        QCOMPARE(b.run.avgOnPetrol(), 2000);

        feed(3100, 15); // a stall throws the window away
        b.live.Rpm = 0;
        feed(3100, 1);
        b.live.Rpm = 2500;
        feed(3100, 20);
        QCOMPARE(b.run.avgOnGas(), 3000);
        feed(3100, 1);
        QCOMPARE(b.run.avgOnGas(), 3100);
    }

    void stabilityRule() {
        StabilityRing ring(3);
        for (int v : {2100, 1900, 2000})
            QVERIFY(!ring.test(v)); // filling
        QVERIFY(ring.test(2000));   // A - 100 and A + 100 are within
        for (int outside : {2101, 1899}) {
            ring.clear();
            for (int v : {outside, 2000, 2000})
                ring.test(v);
            QVERIFY(!ring.test(2000)); // fails, and takes the place of the outsider
            QVERIFY(ring.test(2000));
        }
        // Entries never filled do not pass as zeros near a small average.
        StabilityRing petrol(5);
        for (int i = 0; i < 5; ++i)
            QVERIFY(!petrol.test(60));
        QVERIFY(petrol.test(60));
    }

    void theRunWaitsForAWarmEngineAndAnAnsweringEcu() {
        // A cold engine holds the run before it measures.
        Bench cold;
        cold.exchangeEvery = 1; // an average every 21 ticks: one is ready whenever a wait ends
        cold.live.Temperature = 60;
        QVERIFY(cold.start());
        cold.advance(400);
        QCOMPARE(cold.run.phase(), 3);
        QCOMPARE(cold.run.runText(), QStringLiteral("ATTESA TEMPERATURA DI TARATURA 70"));
        // Warm: five failing tests fill a ring, the sixth passes; each waits out its count.
        cold.live.Temperature = 70;
        cold.ticksIn.clear();
        QVERIFY(cold.reachPhase(6));
        QCOMPARE(cold.ticksIn[3], 6 * (60 + 1));
        QCOMPARE(cold.ticksIn[5], 4 * (40 + 1));

        // Calibration mode not acknowledged (no reply, or one of the wrong length): the enter
        // request stays and no phase begins.
        Bench b;
        QVERIFY(b.start());
        b.silent = true;
        b.run.acknowledged(Commands::LeaveCalibration);
        for (int i = 0; i < 500; ++i) {
            b.run.liveRecord(b.live);
            b.step();
        }
        QCOMPARE(b.run.phase(), 0);
        QCOMPARE(b.run.request().command, int(Commands::EnterCalibration));

        // A lost link pauses the run and holds back a switch not yet sent.
        b.silent = false;
        QVERIFY(b.reachPhase(4));
        QCOMPARE(b.run.request(), (CalibrationRequest{Commands::SwitchFuel, 0, true}));
        b.run.setLinkLost(true);
        b.silent = true;
        QCOMPARE(b.run.request().command, int(Commands::CalibrationLive));
        b.advance(1000);
        QCOMPARE(b.run.phase(), 4);
        b.run.setLinkLost(false);
        b.silent = false;
        QVERIFY(b.reachPhase(5));
        QCOMPARE(b.switchesSent(), 1);

        // Replies without a record keep the link alive but bring no new average: one already
        // judged is never judged again.
        QVERIFY(b.runUntil([&] { return b.run.avgOnGas() > 0; }));
        b.silent = true;
        b.advance(1000);
        QCOMPARE(b.run.phase(), 5);
    }

    // Every text the run shows has its key (the shipped file's languages hold the same keys).
    void everyTextHasItsKeyInTheLanguageFile() {
        LanguageTable table;
        QVERIFY(SetLingua(table, QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/Stringhe312.txt"),
                          QStringLiteral("[ITA]")));
        for (const QString& key : Run::textKeys())
            QVERIFY2(table.has(key), qPrintable(key));
    }
};

QTEST_GUILESS_MAIN(TestAutoCal)
#include "test_autocal.moc"
