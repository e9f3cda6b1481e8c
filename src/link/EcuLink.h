#pragma once

#include <QByteArray>
#include <QString>

// What a screen needs of a serial line to the ECU. One object per screen: a screen opens its
// own link when it starts talking and closes it before handing over, so at most one screen
// holds the line at a time.
//
// Header-only on purpose: the virtual ECU implements it without linking the tool.
class EcuLink {
public:
    // Error numbers the screens act on when opening fails.
    static constexpr int ErrorNone = 0;
    static constexpr int ErrorPortAlreadyOpen = 8005;
    static constexpr int ErrorInvalidPort = 8002;
    static constexpr int ErrorOther = 1;

    virtual ~EcuLink() = default;

    // portNumber is the port digit as configured, settings the "9600,n,8,1" string.
    // Returns false and fills errorCode()/errorString() on failure.
    virtual bool open(const QString& portNumber, const QString& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Writes a whole frame; false if the line refused it.
    virtual bool write(const QByteArray& frame) = 0;
    // Everything received so far, without waiting; what is returned is consumed.
    virtual QByteArray readAll() = 0;
    // The exchange waited `ms` since its previous tick. A real port ignores it; a link to a
    // virtual ECU on a stepped clock moves that clock on by as much.
    virtual void waited(int /*ms*/) {}

    virtual int errorCode() const = 0;
    virtual QString errorString() const = 0;
    // True once the link closed itself because the device went away (USB adapter pulled,
    // pseudo-terminal gone). Cleared by the next successful open().
    virtual bool deviceLost() const = 0;
};
