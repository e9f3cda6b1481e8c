#pragma once

#include "AutoCalibrationStore.h"
#include "AveragingWindow.h"
#include "StabilityRing.h"
#include "link/Commands.h"
#include "link/LiveData.h"
#include "params/WriteList.h"

#include <QString>
#include <QStringList>

class LanguageTable;
class ParameterSet;

// What the run wants sent on the next exchange.
struct CalibrationRequest {
    int command = Commands::CalibrationLive; // 10, 11, 12 or 4
    int coefficient = 0;                     // the byte a command-10 poll carries (Ktar)
    // Command 4 toggles the fuel: it goes out once and is never repeated by the retry count.
    // The run sees in FuelState whether the switch happened and asks again itself if not,
    // 5 s after the ECU's state last showed a switch pending, three times at most.
    bool oneShot = false;

    bool operator==(const CalibrationRequest&) const = default;
};

// The automatic calibration run: finds the gas coefficient at which the car's petrol unit
// commands the same injection time on gas as on petrol, then has it stored in every cell of
// the ECU's table. No widgets and no link: the screen steps it with the 50 ms calibration
// tick, feeds it the decoded replies, sends what request() names, runs the store's write
// sequences, leaves when the run says so and shows the texts and values it reads back.
//
// Phases (the numbers also go into the log):
//   0 idle                  5 measuring on gas (settle 40 ticks, ring of 3)
//   1 waiting for petrol    6 waiting for petrol, then the coefficient update
//   3 measuring on petrol   7 after an update: petrol settles again (ring of 5), then 4;
//     (settle 60 ticks,       converged: the store begins
//     ring of 5)            8 storing / stored
//   4 waiting for gas
//
// Nothing above phase 0 moves unless the ECU acknowledged calibration mode. A run ends in
// phase 0 with calibration mode left whenever it cannot go on: STOP, a limit coefficient,
// a switch the ECU does not carry out, no convergence; it ends in phase 8 when stored.
class AutoCalibrationRun {
public:
    enum class Result { None = 0, Limit = 1, Converged = 2 }; // CalResult
    enum class ExitDecision { LeaveNow, WaitForEcu };

    static constexpr int TickMs = 50;
    static constexpr int PetrolSettleTicks = 3000 / TickMs;
    static constexpr int GasSettleTicks = 2000 / TickMs;
    static constexpr int PetrolRingSize = 5;
    static constexpr int GasRingSize = 3;
    static constexpr int SwitchWaitTicks = 5000 / TickMs;
    static constexpr int SwitchTries = 3;
    static constexpr int MaxUpdates = 10;

    // `params` gives CalibrationTemperature (phase 3 waits for it); `language` the texts.
    // Both must outlive the run.
    AutoCalibrationRun(const ParameterSet& params, const LanguageTable& language);

    // ---- fed by the screen
    // One 50 ms calibration step. Does nothing while the link is lost.
    void tick();
    // A decoded calibration live record (command 10).
    void liveRecord(const LiveData& live);
    // A reply with a matching length byte to 4, 11 or 12. It counts only when it answers the
    // request now outstanding; anything else changes nothing. A reply the screen rejects
    // (wrong length) is simply not passed on: request() then names the same request again.
    void acknowledged(int command);
    // The screen wrote the frame of this request; a one-shot is then done with.
    void sent(const CalibrationRequest& request);
    // More than 15 unanswered requests (true) or the ECU answering again (false). While lost
    // the run pauses; a switch not yet sent is dropped and asked again on return, and the
    // averages start over, since the readings on either side of the gap are not consecutive.
    void setLinkLost(bool lost);

    // ---- buttons
    // START TARATURA: clears the previous run and asks for calibration mode. Refused (false)
    // with the engine stopped, while the link is lost, while the result is being written and
    // once leaving the screen was asked for.
    bool start();
    // STOP TARATURA: ends the run (phase 0, rings, window and result cleared) and leaves
    // calibration mode. Refused (false) when no run is going and while the result is written.
    bool stop();

    // ---- leaving
    // EXIT and the close box. LeaveNow when the ECU cannot be in calibration mode, and for
    // the second EXIT (or the first one's patience running out): the fitter is not held here
    // for ever, whatever the ECU does. Otherwise the run ends, calibration mode is left (after
    // the store, if it is being written: half a table is worse than either table) and
    // readyToLeave() turns true on the acknowledgement.
    ExitDecision exit();
    bool exitAsked() const { return m_exitWanted; }
    bool readyToLeave() const { return m_readyToLeave; }
    // The ECU is, or may be, in calibration mode (entered, or an enter or leave request not
    // yet acknowledged).
    bool mayBeInCalibrationMode() const;
    // What the screen says while EXIT waits (the store, the acknowledgement, or an ECU that
    // no longer answers); empty when EXIT was not asked.
    QString exitWaitText() const;
    // The screen leaves now. A store still running is cut and `set` keeps exactly the writes
    // the ECU acknowledged. The lines the fitter must read on the way out: calibration mode
    // that may still be on, the store cut short; empty when all is well.
    QStringList leave(ParameterSet& set);

    // ---- the store
    // Begins at convergence with the 64 table entries (id 1..64, value Ktar), then
    // CalibrationPressure (id 29, Pressure1) and CalibrationTemperature (id 28, Temperature),
    // each only when within its range. The screen runs store().running() on its exchange and
    // calls storePartEnded() when that part is over; request() keeps naming the poll
    // meanwhile. Calibration mode is left once the store ends, verified or not.
    const AutoCalibrationStore& store() const { return m_store; }
    AutoCalibrationStore& store() { return m_store; }
    bool storing() const { return m_store.isWriting(); }
    void storePartEnded();

    // ---- requests
    CalibrationRequest request() const;
    // The live poll with the coefficient in use: what the screen sends while the link is lost.
    CalibrationRequest pollRequest() const;

    // ---- what the screen shows
    int phase() const { return m_phase; }             // CalPhase
    Result result() const { return m_result; }        // CalResult
    int ktar() const { return m_ktar; }               // Text30
    int avgOnPetrol() const { return m_avgOnPetrol; } // Text21
    int avgOnGas() const { return m_avgOnGas; }       // Text20
    int petrolReference() const { return m_petrolReference; }
    int updates() const { return m_updates; }                // coefficient updates this run
    bool calibrationMode() const { return m_inCalibration; } // acknowledged and not left
    bool linkLost() const { return m_linkLost; }
    const LiveData& live() const { return m_live; } // the latest record
    bool busy() const;                              // busy pointer
    bool canStart() const;                          // Command3 enabled
    bool canStop() const;                           // Command1 enabled
    QString runText() const;                        // Label1
    QString resultText() const; // Label2: limit, convergence, or why the run stopped
    // The store's progress or outcome, and anything it left out (a reference value out of
    // range), one line each; empty when there is nothing to say.
    QString storeText() const;
    // Why START did nothing, when the fitter can act on it (the engine stands); else empty.
    QString startRefusedText() const;

    // Every language key the run's texts come from.
    static QStringList textKeys();

private:
    enum class Pending { None, Enter, Leave };
    enum class Stop { None, Limit, SwitchFailed, NoConvergence, Fault };

    bool onPetrol() const { return m_live.FuelState == 1; }
    void clearMeasurement();
    void endRun(Stop why);
    void leaveCalibrationMode();
    void begin();
    void requestSwitch();
    void clearSwitch();
    bool switchedTo(bool petrol);
    bool stable(int settleTicks, bool& fresh, StabilityRing& ring, int average);
    void switchAndWait(int waitingPhase);
    void applyUpdate();
    void beginStore();
    QString text(int id) const;

    const ParameterSet& m_params;
    const LanguageTable& m_language;
    LiveData m_live;
    bool m_haveLive = false;

    int m_phase = 0;
    Result m_result = Result::None;
    Stop m_stop = Stop::None;
    bool m_atMaximum = false; // which limit a Limit stop hit
    int m_ktar = 0;
    bool m_inCalibration = false; // the ECU acknowledged entering and has not left
    Pending m_pending = Pending::None;
    bool m_exitWanted = false;
    bool m_readyToLeave = false;
    bool m_linkLost = false;

    AveragingWindow m_window;
    int m_windowFuel = -1; // FuelState == 1 of the readings in the window; -1 before any
    int m_avgOnPetrol = 0;
    int m_avgOnGas = 0;
    // Set when an average is computed, cleared when a stability test has judged it: a test
    // never judges the same average twice.
    bool m_freshPetrol = false;
    bool m_freshGas = false;
    StabilityRing m_petrolRing{PetrolRingSize};
    StabilityRing m_gasRing{GasRingSize};
    int m_settle = 0;
    bool m_tooCold = false;
    int m_petrolReference = 0;
    int m_gasPassed = 0; // the gas average that passed the stability test
    int m_updates = 0;

    bool m_switchWanted = false;  // a command 4 to send
    bool m_switchDropped = false; // wanted when the link was lost, never sent
    int m_switchTries = 0;
    int m_switchWait = 0; // ticks since the last command 4 went out

    AutoCalibrationStore m_store;
    QStringList m_notices; // references left out of the store
};
