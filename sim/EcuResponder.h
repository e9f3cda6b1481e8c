#pragma once

#include "EcuMemory.h"
#include "EngineState.h"

#include <QByteArray>
#include <functional>

// Turns one request frame into the ECU's reply, byte by byte, and carries out what the
// request asks of the memory. Knows nothing of the tool's own encoders and decoders.
class EcuResponder {
public:
    EcuResponder(EcuMemory& memory, EngineState& engine);

    // The reply to a whole request frame; empty when the ECU would not answer (bad header,
    // wrong length byte, unknown command).
    QByteArray respond(const QByteArray& request);

    // Called for accepted commands that change the engine's state (4 switch fuel,
    // 10 coefficient, 11/12 calibration mode), before the reply is built, so an engine model
    // can react.
    std::function<void(int command, const QByteArray& request)> onCommand;

    int requestsSeen() const { return m_requests; }

private:
    QByteArray reply(int command, const QByteArray& data) const;

    EcuMemory& m_memory;
    EngineState& m_engine;
    int m_requests = 0;
};
