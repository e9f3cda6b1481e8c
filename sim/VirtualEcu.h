#pragma once

#include "EcuMemory.h"
#include "EcuResponder.h"
#include "EngineModel.h"
#include "EngineState.h"
#include "FaultSettings.h"
#include "ReplyLine.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <functional>

// A whole virtual ECU: its memory, the engine it controls, the command responder, and the
// line to the PC with its faults.
//
// Time: the ECU runs on real time from construction (what the program wants), or on a
// clock the owner supplies. useManualClock() stops it; then only advance() moves time.
// useSteppedClock() stops it too, but lets an exchange move it: each of its ticks says how
// long it waited, and the ECU's time goes on by at least as much since the previous tick, so
// a test that calls ticks by hand sees replies take their time on the line. The engine and
// the line are only brought up to the clock when a link calls syncClock() (every read and
// write), never by handle().
class VirtualEcu {
public:
    using Clock = std::function<qint64()>;

    explicit VirtualEcu(EcuMemory memory = EcuMemory::factory(), EngineSettings engine = {},
                        FaultSettings faults = {});
    VirtualEcu(const VirtualEcu&) = delete;
    VirtualEcu& operator=(const VirtualEcu&) = delete;

    EcuMemory& memory() { return m_memory; }
    EngineState& engine() { return m_engine; }
    EngineModel& model() { return m_model; }
    EcuResponder& responder() { return m_responder; }
    const ReplyLine& line() const { return m_line; }
    const FaultSettings& faults() const { return m_faults; }

    // --- time
    void useRealTime();
    void useManualClock() { setClock({}); }
    void useSteppedClock();
    // Any monotonic millisecond count; the ECU's time carries on from where it is.
    void setClock(Clock clock);
    void advance(qint64 ms);
    void syncClock();
    // The exchange on the other end waited `ms` since its previous tick. Only the stepped
    // clock moves: time a test advanced by hand since that tick counts towards it, so the
    // two never add up.
    void waited(int ms);
    qint64 nowMs() const { return m_now; }
    // The engine stands still while time moves on for the line: what a test wrote into the
    // engine's state by hand is what the next replies report.
    void holdEngine(bool hold) { m_engineHeld = hold; }

    // --- the line: speed, framing, the ECU's latency, the USB adapter
    void setLine(const LineModel& line) { m_line.setLine(line); }
    const LineModel& lineModel() const { return m_line.model(); }
    // A port was opened with this settings string: the line runs at its speed and framing.
    // An instant line stays instant: a test that asked for it keeps it whatever port opens.
    void followPort(const QString& settings);
    // When the next reply bytes reach the PC (-1: none on their way).
    qint64 nextDueMs() const { return m_line.nextDueMs(); }

    // --- the wire, as a transport sees it
    // A request frame arrives now; its reply (if the ECU gives one) goes onto the line.
    void receive(const QByteArray& request);
    // What the line has delivered by now; one call is one read.
    QByteArray transmit();
    // The bare answer to a request, at once, with no line and no faults.
    QByteArray handle(const QByteArray& request);

    // --- the port device (a USB adapter, a pseudo-terminal)
    bool pluggedIn() const { return m_plugged; }
    // Counts every plugIn(), so a link can tell that the device it opened went away and
    // came back.
    int plugGeneration() const { return m_plugGeneration; }
    void unplug();
    void plugIn();

    // Every request frame the ECU received, in order (for tests and the trace).
    const QList<QByteArray>& received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

private:
    void applyTimedFaults();

    EcuMemory m_memory;
    EngineState m_engine;
    EcuResponder m_responder;
    EngineModel m_model;
    FaultSettings m_faults;
    ReplyLine m_line;
    QList<QByteArray> m_received;

    qint64 m_now = 0;
    Clock m_clock;
    qint64 m_clockOffset = 0; // clock reading minus ECU time
    QElapsedTimer m_elapsed;
    bool m_stepped = false;
    bool m_engineHeld = false;
    qint64 m_lastWaitedAt = 0; // ECU time at the exchange's previous tick

    bool m_plugged = true;
    int m_plugGeneration = 0;
    bool m_vanished = false;
    qint64 m_returnAtMs = -1;
};
