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
// clock the owner supplies. useManualClock() stops it; then only advance() moves time, which
// is what a test wants. The engine and the line are only brought up to the clock when a
// link calls syncClock() (every read and write), never by handle().
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
    // Any monotonic millisecond count; the ECU's time carries on from where it is.
    void setClock(Clock clock);
    void advance(qint64 ms);
    void syncClock();
    qint64 nowMs() const { return m_now; }
    // How long the ECU takes to start answering a request.
    void setAnswerDelayMs(int ms) { m_answerDelayMs = ms; }

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
    int m_answerDelayMs = 0;

    bool m_plugged = true;
    int m_plugGeneration = 0;
    bool m_vanished = false;
    qint64 m_returnAtMs = -1;
};
