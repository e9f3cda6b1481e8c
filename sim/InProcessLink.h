#pragma once

#include "link/EcuLink.h"

#include <QByteArray>

class VirtualEcu;

// A link straight into a virtual ECU in the same process: what is written is answered at
// once, and the answer waits to be read on the next tick, as it would on a serial line.
class InProcessLink final : public EcuLink {
public:
    explicit InProcessLink(VirtualEcu& ecu) : m_ecu(ecu) {}

    bool open(const QString& portNumber, const QString& settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray& frame) override;
    QByteArray readAll() override;
    int errorCode() const override { return m_errorCode; }
    QString errorString() const override { return m_errorString; }
    bool deviceLost() const override { return false; }

private:
    VirtualEcu& m_ecu;
    QByteArray m_pending;
    bool m_open = false;
    int m_errorCode = ErrorNone;
    QString m_errorString;
};
