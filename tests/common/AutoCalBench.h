#pragma once

#include "calib/AutoCalibrationRun.h"
#include "lang/LanguageTable.h"
#include "params/ParameterSet.h"

#include "EcuResponder.h"

#include <QStringList>
#include <algorithm>
#include <functional>
#include <map>

// A scripted ECU around the automatic calibration run. Every second 50 ms step is one 100 ms
// exchange in which the ECU answers the run's request at once. The petrol time on gas
// follows the coefficient in use, as the car's petrol unit trims a lean or rich gas mix.
struct AutoCalBench {
    ParameterSet params;
    LanguageTable language; // empty: the run shows its Italian texts
    AutoCalibrationRun run{params, language};
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

    AutoCalBench() {
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
