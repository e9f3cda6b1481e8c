#include "InProcessLink.h"

#include "VirtualEcu.h"

bool InProcessLink::open(const QString&, const QString&) {
    if (m_open) {
        m_errorCode = ErrorPortAlreadyOpen;
        m_errorString = QStringLiteral("The port is already open.");
        return false;
    }
    m_open = true;
    m_pending.clear();
    m_errorCode = ErrorNone;
    m_errorString.clear();
    return true;
}

void InProcessLink::close() {
    m_open = false;
    m_pending.clear();
}

bool InProcessLink::write(const QByteArray& frame) {
    if (!m_open)
        return false;
    m_pending.append(m_ecu.handle(frame));
    return true;
}

QByteArray InProcessLink::readAll() {
    QByteArray out;
    out.swap(m_pending);
    return out;
}
