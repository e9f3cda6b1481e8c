// The automatic calibration run, stepped tick by tick against a scripted ECU with literal
// values: the measurement, the store frame by frame, STOP and EXIT. The run against the
// virtual ECU's car is in the screen's tests.

#include "calib/AutoCalibrationRun.h"
#include "calib/CoefficientUpdate.h"
#include "calib/StabilityRing.h"
#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"
#include "params/ParameterSet.h"

#include "EcuResponder.h"

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
    // The store's writes and read-backs go to a virtual ECU's memory, as they would go
    // through the screen's exchange; `frames` holds them and the run's requests but the poll.
    EcuMemory memory = EcuMemory::factory();
    EngineState engine;
    EcuResponder responder{memory, engine};
    QList<QByteArray> frames;
    WriteSequence* resuming = nullptr; // the part told which ECU it started on

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
            if (WriteSequence* part = run.store().running()) {
                if (part != resuming) part->expectSameEcu({2, 4, 7}); // as the screen does
                resuming = part;
                frames << part->request().frame;
                part->take(responder.respond(part->request().frame));
                if (!part->isRunning()) run.storePartEnded();
            } else {
                exchange();
            }
        }
        ++ticksIn[run.phase()];
        run.tick();
    }
    void exchange() {
        if (countdown > 0 && --countdown == 0) live.FuelState = 1 - live.FuelState;
        const CalibrationRequest r = run.request();
        sent << r.command;
        run.sent(r);
        if (r.command == Commands::CalibrationLive) {
            live.Kcor = inCalibration ? r.coefficient : live.Kcor;
            live.PetrolTinj = live.FuelState == 1 ? petrolTime : gasTime(live.Kcor);
            run.liveRecord(live);
        } else {
            frames << Commands::frame(r.command);
            if (r.command != Commands::SwitchFuel)
                inCalibration = r.command == Commands::EnterCalibration;
            else if (ecuSwitches && countdown == 0)
                countdown = switchDelay;
            run.acknowledged(r.command);
        }
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
    int cellsHolding(int value) const {
        return int(std::count(memory.table.begin() + 1, memory.table.end(), value));
    }
    // The frames from the first table write to the leave request that follows, one word
    // each: the command, with the id of a parameter write; a run of table writes as "9*n".
    QString storeFrames() const {
        QStringList words;
        int cells = 0;
        for (const QByteArray& f : frames) {
            const int command = Commands::commandOf(f).value_or(-1);
            if (command == Commands::WriteTableEntry && ++cells) continue;
            if (cells) words << QStringLiteral("9*%1").arg(cells);
            cells = 0;
            if (words.isEmpty()) continue;
            words << QString::number(command) +
                         (command == Commands::WriteParameter ? ":" + QString::number(f[6]) : "");
            if (command == Commands::LeaveCalibration) break;
        }
        return words.join(QLatin1Char(' '));
    }
};

// Where EXIT is pressed.
enum Where { Idle, AfterLimit, EnterAsked, Measuring, Silent, Storing };

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

    // Two updates from 120 to 126, then the store: the 64 cells, the table read back, the
    // references in range, the parameters read back, and calibration mode left however the
    // store ended. A value the ECU does not keep is written again once, then named; the
    // references go only to the ECU that took the table.
    void runConvergesAndStores_data() {
        QTest::addColumn<int>("pressure");
        QTest::addColumn<int>("temperature");
        QTest::addColumn<int>("refused");     // an id the ECU acknowledges but does not keep
        QTest::addColumn<bool>("anotherEcu"); // answers after 10 cells and a lost link
        QTest::addColumn<QString>("frames");
        QTest::addColumn<QString>("storeText");
        const QString verified = "Parametri scritti e verificati";
        const QString pressureOut =
            "\nPRESSIONE DI TARATURA FUORI LIMITI, NON MEMORIZZATA: 2500 (500..2000)";
        QTest::newRow("both references")
            << 1300 << 80 << 0 << false << "9*64 8 2:29 2:28 1 12" << verified;
        QTest::newRow("pressure out of range")
            << 2500 << 80 << 0 << false << "9*64 8 2:28 1 12" << verified + pressureOut;
        QTest::newRow("no reference in range")
            << 2500 << 110 << 0 << false << "9*64 8 12"
            << verified + pressureOut +
                   "\nTEMPERATURA DI TARATURA FUORI LIMITI, NON MEMORIZZATA: 110 (60..105)";
        QTest::newRow("a cell not kept")
            << 1300 << 80 << ParameterCount + 5 << false << "9*64 8 9*1 8 2:29 2:28 1 12"
            << "La centralina non ha memorizzato: KTAR 5";
        QTest::newRow("a reference not kept") // the ECU keeps its factory 1300
            << 1400 << 80 << int(CalibrationPressure) << false << "9*64 8 2:29 2:28 1 2:29 1 12"
            << "La centralina non ha memorizzato: PRESSIONE DI TARATURA (29)";
        QTest::newRow("another ECU") << 1300 << 80 << 0 << true << "9*10 7 12"
                                     << "Scrittura abbandonata: dopo la perdita del collegamento "
                                        "ha risposto un'altra centralina (la prima ha "
                                        "confermato 10 scritture su 64)";
    }
    void runConvergesAndStores() {
        QFETCH(int, pressure);
        QFETCH(int, temperature);
        QFETCH(int, refused);
        QFETCH(bool, anotherEcu);
        QFETCH(QString, frames);
        QFETCH(QString, storeText);
        Bench b;
        b.trueCoefficient(126); // gas 2100 with 120, 2000 with 126
        b.live.Pressure1 = pressure;
        b.live.Temperature = temperature;
        b.memory.refusedIds = {refused};
        QVERIFY(b.start());
        QVERIFY(b.reachPhase(8));
        QCOMPARE(b.run.petrolReference(), 2000);
        QCOMPARE(b.run.updates(), 2);
        QCOMPARE(b.run.resultText(), QStringLiteral("TARATURA TERMINATA"));
        QCOMPARE(b.switchesSent(), 4); // to gas, back, to gas, back
        QVERIFY(b.run.storing() && !b.run.canStart() && !b.run.stop() && b.run.busy());
        if (anotherEcu) {
            QVERIFY(b.runUntil([&] { return b.run.store().table().acknowledged() == 10; }));
            b.run.store().running()->linkLost();
            b.memory.version = {9, 9, 9};
        }
        QVERIFY(b.runUntil([&] { return !b.run.mayBeInCalibrationMode(); }));
        QVERIFY(!b.inCalibration && b.run.canStart() && !b.run.busy());
        QCOMPARE(b.storeFrames(), frames);
        QCOMPARE(b.run.storeText(), storeText);
        const bool kept = storeText.startsWith(QStringLiteral("Parametri scritti e verificati"));
        QCOMPARE(b.run.runText(), kept ? QStringLiteral("KGB MEMORIZZATO ")
                                       : QStringLiteral("MEMORIZZAZIONE KGB NON VERIFICATA"));
        QCOMPARE(b.cellsHolding(126), anotherEcu ? 10 : refused > ParameterCount ? 63 : 64);
        if (kept && pressure <= 2000) QCOMPARE(int(b.memory.words[CalibrationPressure]), pressure);
    }

    // EXIT waits for whatever the ECU is finishing, and only for that; a second EXIT (or the
    // first one's patience running out) leaves at once and says what may be left behind.
    void exitWaitsOnlyForTheEcu_data() {
        QTest::addColumn<int>("where");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<QString>("waitText");
        QTest::addColumn<QStringList>("notice");
        const QString again = "\nPremere di nuovo EXIT per uscire subito";
        const QString maybe = "LA CENTRALINA POTREBBE ESSERE ANCORA IN MODALITÀ TARATURA";
        const QString ack = "USCITA ALLA CONFERMA DELLA CENTRALINA" + again;
        const QString store = "USCITA AL TERMINE DELLA MEMORIZZAZIONE" + again;
        QTest::newRow("idle") << int(Idle) << false << "" << QStringList();
        QTest::newRow("after a limit") << int(AfterLimit) << false << "" << QStringList();
        QTest::newRow("enter not answered") << int(EnterAsked) << false << ack << QStringList();
        QTest::newRow("measuring") << int(Measuring) << false << ack << QStringList();
        QTest::newRow("measuring, twice") << int(Measuring) << true << ack << QStringList{maybe};
        QTest::newRow("ECU silent") << int(Silent) << true
                                    << "LA CENTRALINA NON RISPONDE: PREMERE DI NUOVO EXIT PER "
                                       "USCIRE\n" +
                                           maybe
                                    << QStringList{maybe};
        QTest::newRow("storing") << int(Storing) << false << store << QStringList();
        QTest::newRow("storing, twice")
            << int(Storing) << true << store
            << QStringList{maybe, "Scrittura interrotta: la centralina ha confermato 10 "
                                  "scritture su 64"};
    }
    void exitWaitsOnlyForTheEcu() {
        QFETCH(int, where);
        QFETCH(bool, twice);
        QFETCH(QString, waitText);
        QFETCH(QStringList, notice);
        Bench b;
        b.trueCoefficient(where == AfterLimit ? 90 : 120);
        QVERIFY(where == Idle || b.start());
        QVERIFY(b.runUntil([&] {
            const Run& r = b.run;
            if (where == AfterLimit)
                return r.result() == Run::Result::Limit && !r.calibrationMode();
            if (where == Storing) return r.store().table().acknowledged() == 10;
            return r.phase() == 5 || (where != Measuring && where != Silent);
        }));
        b.silent = where == Silent;
        b.run.setLinkLost(b.silent);
        const bool inCalibration = b.inCalibration;

        QCOMPARE(b.run.exit() == Run::ExitDecision::WaitForEcu, !waitText.isEmpty());
        QCOMPARE(b.run.exitWaitText(), waitText);
        // Only the acknowledgement of the leave request is the one to leave on.
        b.run.acknowledged(Commands::EnterCalibration);
        b.run.acknowledged(Commands::SwitchFuel);
        QCOMPARE(b.run.readyToLeave(), false);
        if (!twice && !waitText.isEmpty()) {
            QVERIFY(b.runUntil([&] { return b.run.readyToLeave(); }));
            QVERIFY(!b.inCalibration && b.cellsHolding(120) == (where == Storing ? 64 : 0));
        }
        QCOMPARE(b.run.exit(), Run::ExitDecision::LeaveNow);
        QCOMPARE(b.inCalibration, inCalibration && twice); // left behind as it was
        ParameterSet set;
        SetParameterDefaults(set);
        QCOMPARE(b.run.leave(set), notice);
        // Cut short, the set holds exactly the cells the ECU confirmed.
        for (int j = 1; j <= TableSize; ++j)
            QCOMPARE(set.ktar(j), where == Storing && twice && j <= 10 ? 120 : 105);
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

    // However a run ends short of a result (a limit, no convergence, a refused switch, STOP),
    // calibration mode is left at once, nothing is stored, and a fuel switch asked for but
    // not yet sent never goes out.
    void runEndsAndLeavesCalibrationMode_data() {
        QTest::addColumn<int>("trueK");  // 0: the answer swings between 120 and 130
        QTest::addColumn<int>("stopIn"); // the phase STOP is pressed in; 0: never
        QTest::addColumn<bool>("ecuSwitches");
        QTest::addColumn<int>("updates");
        QTest::addColumn<int>("switches");
        QTest::addColumn<QString>("runText");
        QTest::addColumn<QString>("resultText");
        const QString limit = "KTAR FUORI LIMITI - TARATURA INTERROTTA";
        const QString stopped = "TARATURA INTERROTTA", idle = "PREMERE START TARATURA ";
        QTest::newRow("minimum") << 90 << 0 << true << 1 << 2 << limit << "KTAR AL LIMITE MINIMO";
        QTest::newRow("maximum") << 170 << 0 << true << 1 << 2 << limit << "KTAR AL LIMITE MASSIMO";
        QTest::newRow("no convergence")
            << 0 << 0 << true << 10 << 20 << stopped << "KTAR NON STABILE DOPO 10 AGGIORNAMENTI";
        QTest::newRow("switch refused") << 120 << 0 << false << 0 << 3 << stopped
                                        << "COMMUTAZIONE NON ESEGUITA DALLA CENTRALINA";
        QTest::newRow("STOP measuring on petrol") << 126 << 3 << true << 0 << 0 << idle << "";
        QTest::newRow("STOP, switch to gas not sent") << 126 << 4 << true << 0 << 0 << idle << "";
        QTest::newRow("STOP measuring on gas") << 126 << 5 << true << 0 << 1 << idle << "";
        QTest::newRow("STOP after an update") << 126 << 7 << true << 0 << 2 << idle << "";
    }
    void runEndsAndLeavesCalibrationMode() {
        QFETCH(int, trueK);
        QFETCH(int, stopIn);
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
        QVERIFY(!b.run.stop() && b.start());
        QVERIFY(b.reachPhase(stopIn ? stopIn : 4));
        QVERIFY(!stopIn || b.run.stop());
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
        QVERIFY(!b.run.canStop() && b.run.canStart() && !b.run.busy() && !b.inCalibration);
        QCOMPARE(b.storeFrames(), QString());
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

        // With the engine stopped START sends nothing, and says why.
        Bench stopped;
        stopped.live.Rpm = 0;
        QVERIFY(!stopped.start());
        QCOMPARE(stopped.run.request().command, int(Commands::CalibrationLive));
        QCOMPARE(stopped.run.startRefusedText(),
                 QStringLiteral("MOTORE SPENTO: AVVIARE IL MOTORE PRIMA DELLA TARATURA"));

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
