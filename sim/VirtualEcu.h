#pragma once

#include "EcuMemory.h"
#include "EcuResponder.h"
#include "EngineState.h"

#include <QByteArray>
#include <QList>

// A whole virtual ECU: its memory, what its engine is doing, and the command responder.
class VirtualEcu {
public:
    explicit VirtualEcu(EcuMemory memory = EcuMemory::factory());

    EcuMemory& memory() { return m_memory; }
    EngineState& engine() { return m_engine; }
    EcuResponder& responder() { return m_responder; }

    // Every request frame the ECU received, in order (for tests and the trace).
    const QList<QByteArray>& received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

    QByteArray handle(const QByteArray& request);

private:
    EcuMemory m_memory;
    EngineState m_engine;
    EcuResponder m_responder;
    QList<QByteArray> m_received;
};
