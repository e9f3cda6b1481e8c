#include "VirtualEcu.h"

namespace {
EcuMemory prepared(EcuMemory memory, const FaultSettings& faults) {
    memory.refusedIds.insert(faults.refusedIds.begin(), faults.refusedIds.end());
    if (faults.outOfRange) memory.putOutOfRange();
    return memory;
}
} // namespace

VirtualEcu::VirtualEcu(EcuMemory memory, EngineSettings engine, FaultSettings faults)
    : m_memory(prepared(std::move(memory), faults)), m_engine(EngineState::idle(m_memory.words[1])),
      m_responder(m_memory, m_engine), m_model(m_memory, m_engine, engine), m_faults(faults),
      m_line(faults) {
    m_responder.onCommand = [this](int command, const QByteArray& request) {
        m_model.command(command, request);
    };
    useRealTime();
}

void VirtualEcu::useRealTime() {
    m_elapsed.start();
    setClock([this] { return m_elapsed.elapsed(); });
}

void VirtualEcu::useSteppedClock() {
    setClock({});
    m_stepped = true;
    m_lastWaitedAt = m_now;
}

void VirtualEcu::setClock(Clock clock) {
    m_stepped = false;
    m_clock = std::move(clock);
    if (m_clock) m_clockOffset = m_clock() - m_now;
}

void VirtualEcu::syncClock() {
    if (!m_clock) return;
    const qint64 target = m_clock() - m_clockOffset;
    if (target > m_now) advance(target - m_now);
}

void VirtualEcu::waited(int ms) {
    if (!m_stepped) return;
    const qint64 target = m_lastWaitedAt + ms;
    if (target > m_now) advance(target - m_now);
    m_lastWaitedAt = m_now;
}

void VirtualEcu::followPort(const QString& settings) {
    if (!lineModel().isInstant()) setLine(lineModel().withPort(settings));
}

void VirtualEcu::advance(qint64 ms) {
    if (ms <= 0) return;
    // Timed faults fall due inside the step, so stop there first: a vanish at 5 s must not
    // be seen late because the clock was read at 7 s.
    while (ms > 0) {
        qint64 chunk = ms;
        if (!m_vanished && m_faults.vanishAfterMs >= 0 && m_faults.vanishAfterMs > m_now)
            chunk = std::min(chunk, m_faults.vanishAfterMs - m_now);
        if (m_returnAtMs > m_now) chunk = std::min(chunk, m_returnAtMs - m_now);
        if (!m_engineHeld) m_model.advance(chunk);
        m_now += chunk;
        ms -= chunk;
        applyTimedFaults();
    }
}

void VirtualEcu::applyTimedFaults() {
    if (!m_vanished && m_faults.vanishAfterMs >= 0 && m_now >= m_faults.vanishAfterMs) {
        m_vanished = true;
        unplug();
        if (m_faults.vanishForMs > 0) m_returnAtMs = m_faults.vanishAfterMs + m_faults.vanishForMs;
    }
    if (m_returnAtMs >= 0 && m_now >= m_returnAtMs) {
        m_returnAtMs = -1;
        plugIn();
    }
}

void VirtualEcu::receive(const QByteArray& request) {
    if (!m_plugged || m_line.silentAt(m_now)) return;
    m_line.send(handle(request), static_cast<int>(request.size()), m_now);
}

QByteArray VirtualEcu::transmit() {
    if (!m_plugged) return {};
    return m_line.take(m_now);
}

QByteArray VirtualEcu::handle(const QByteArray& request) {
    m_received.append(request);
    return m_responder.respond(request);
}

void VirtualEcu::unplug() {
    m_plugged = false;
    // Whatever was on its way dies with the adapter.
    m_line.clear();
}

void VirtualEcu::plugIn() {
    if (m_plugged) return;
    m_plugged = true;
    ++m_plugGeneration;
}
