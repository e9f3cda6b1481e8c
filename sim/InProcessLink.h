#pragma once

#include "link/EcuLink.h"

#include <QByteArray>

class VirtualEcu;

// A link straight into a virtual ECU in the same process. A reply goes onto the ECU's line
// and reaches a read once the line and the adapter have carried it (later if a line fault
// says so), as on a serial port. The line runs at the speed the link was opened with.
//
// The ECU's line is one wire: a second link opened on the same ECU shares it, and opening
// a link throws away what arrived while nobody held the port, as a serial driver does.
// When the ECU's port device goes away the link closes itself (isOpen() false, deviceLost()
// true) and cannot be opened again until the device is back.
class InProcessLink final : public EcuLink {
public:
    explicit InProcessLink(VirtualEcu& ecu) : m_ecu(ecu) {}

    bool open(const QString& portNumber, const QString& settings) override;
    void close() override;
    bool isOpen() const override { return m_open && devicePresent(); }
    bool write(const QByteArray& frame) override;
    QByteArray readAll() override;
    // Moves an ECU on a stepped clock on by as much.
    void waited(int ms) override;
    int errorCode() const override { return m_errorCode; }
    // A device that went away under an open link says so before the link has noticed, as a
    // serial port reports its error as soon as the adapter is pulled.
    QString errorString() const override {
        return m_open && !devicePresent() ? QStringLiteral("The device was removed.")
                                          : m_errorString;
    }
    bool deviceLost() const override { return m_lost || (m_open && !devicePresent()); }

private:
    bool devicePresent() const;
    // Brings the ECU up to its clock; closes the link if its device went away.
    bool stillThere();

    VirtualEcu& m_ecu;
    bool m_open = false;
    bool m_lost = false;
    int m_generation = 0;
    int m_errorCode = ErrorNone;
    QString m_errorString;
};
