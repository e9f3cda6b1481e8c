#include "InProcessLink.h"

#include "VirtualEcu.h"

bool InProcessLink::open(const QString&, const QString& settings) {
    m_ecu.syncClock();
    if (isOpen()) {
        m_errorCode = ErrorPortAlreadyOpen;
        m_errorString = QStringLiteral("The port is already open.");
        return false;
    }
    if (!m_ecu.pluggedIn()) {
        m_errorCode = ErrorInvalidPort;
        m_errorString = QStringLiteral("The device is not present.");
        return false;
    }
    m_ecu.followPort(settings);
    m_open = true;
    m_lost = false;
    m_generation = m_ecu.plugGeneration();
    m_ecu.transmit(); // what arrived while the port was closed is gone

    m_errorCode = ErrorNone;
    m_errorString.clear();
    return true;
}

void InProcessLink::close() {
    if (m_open && !devicePresent()) m_lost = true;
    m_open = false;
}

bool InProcessLink::devicePresent() const {
    return m_ecu.pluggedIn() && m_ecu.plugGeneration() == m_generation;
}

bool InProcessLink::stillThere() {
    m_ecu.syncClock();
    if (m_open && !devicePresent()) {
        m_open = false;
        m_lost = true;
        m_errorCode = ErrorOther;
        m_errorString = errorString();
    }
    return m_open;
}

bool InProcessLink::write(const QByteArray& frame) {
    if (!stillThere()) return false;
    m_ecu.receive(frame);
    return true;
}

QByteArray InProcessLink::readAll() {
    if (!stillThere()) return {};
    return m_ecu.transmit();
}

void InProcessLink::waited(int ms) {
    m_ecu.waited(ms);
}
