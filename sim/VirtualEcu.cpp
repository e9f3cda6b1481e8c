#include "VirtualEcu.h"

VirtualEcu::VirtualEcu(EcuMemory memory)
    : m_memory(std::move(memory)), m_engine(EngineState::idle(m_memory.words[1])),
      m_responder(m_memory, m_engine) {}

QByteArray VirtualEcu::handle(const QByteArray& request) {
    m_received.append(request);
    return m_responder.respond(request);
}
