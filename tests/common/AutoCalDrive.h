#pragma once

#include "common/EcuRecords.h"
#include "common/World.h"

#include "screens/calib/Form8.h"

#include <QTimer>
#include <functional>

// The automatic calibration screen against the virtual ECU, in engine time. Every 50 ms step
// moves the ECU on by 50 ms, ticks the exchange when its own interval has passed (100 ms, 300
// ms for a read-back, or 2000 ms while the link is lost), then runs the calibration step and,
// while it runs, the log. The world's stepped clock counts the steps towards each tick's wait,
// so a tick does not move the ECU on again.
class AutoCalDrive {
public:
    static constexpr int StepMs = AutoCalibrationRun::TickMs;

    explicit AutoCalDrive(World& w) : m_w(w) {}

    // The set as the main menu left it (uploaded from the ECU), then the screen, opened as
    // the calibration page opens it.
    Form8* open() {
        uploadFrom(m_w.ecu.memory(), m_w.g.parameters);
        m_w.host.show(ScreenId::Form8);
        m_nextExchangeMs = m_nowMs + 100;
        return screen();
    }

    // START TARATURA, once the screen has a live record with the engine turning.
    bool start() {
        Form8* s = screen();
        if (!s || !runUntil([s] { return s->run().live().Rpm > 0; }, 3000)) return false;
        m_w.click(ScreenId::Form8, QStringLiteral("Command3"));
        return true;
    }

    // Null once the screen has left.
    Form8* screen() const {
        return m_w.host.isVisible(ScreenId::Form8) ? m_w.screen<Form8>(ScreenId::Form8) : nullptr;
    }

    void step() {
        m_w.ecu.advance(StepMs);
        m_nowMs += StepMs;
        Form8* s = screen();
        if (!s) return;
        if (!s->cycle().isRunning()) {
            m_nextExchangeMs = m_nowMs + 100;
        } else if (m_nowMs >= m_nextExchangeMs) {
            s->Timer1Tick();
            m_nextExchangeMs = m_nowMs + s->cycle().intervalMs();
            if (!(s = screen())) return;
        }
        s->Timer3Tick();
        if (auto* log = s->findChild<QTimer*>(QStringLiteral("Timer2")); log && log->isActive())
            s->Timer2Tick();
    }

    // Steps until `done` holds (checked after every step) or limitMs have passed.
    bool runUntil(const std::function<bool()>& done, qint64 limitMs) {
        const qint64 end = m_nowMs + limitMs;
        while (!done()) {
            if (m_nowMs >= end) return false;
            step();
        }
        return true;
    }

    void runFor(qint64 ms) {
        runUntil([] { return false; }, ms);
    }

    qint64 nowMs() const { return m_nowMs; }

    // The run is over: stored, or ended at a limit, with calibration mode left either way.
    static bool finished(const AutoCalibrationRun& run) {
        if (run.mayBeInCalibrationMode()) return false;
        // Ended at a limit, or stopped by the run itself (no switch, no convergence).
        return (run.phase() == 8 && !run.storing()) ||
               (run.phase() == 0 && !run.resultText().isEmpty());
    }

private:
    World& m_w;
    qint64 m_nowMs = 0;
    qint64 m_nextExchangeMs = 0;
};
