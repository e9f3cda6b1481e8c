#pragma once

#include "EcuLink.h"
#include "base/Result.h"

#include <QSerialPort>
#include <functional>

// Line parameters of a "9600,n,8,1" settings string.
struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Fails when a field is missing or names something a serial port cannot do, saying which.
Result<LineSettings> parseLineSettings(const QString& settings);

// The device a port number names: COMn on Windows, /dev/ttyS(n-1) elsewhere. Empty when
// the number is not a port number (not a digit, or 0).
QString deviceForPortNumber(const QString& portNumber);

// EcuLink over a real serial device.
class SerialEcuLink final : public EcuLink {
public:
    // deviceOverride, when not empty, is opened whatever the port number says.
    explicit SerialEcuLink(QString deviceOverride = QString());
    // The device is asked for at each open(): the choice may change while a screen holds
    // its link (the settings dialog). Empty means the port number's device.
    explicit SerialEcuLink(std::function<QString()> deviceOverride);
    ~SerialEcuLink() override;

    bool open(const QString& portNumber, const QString& settings) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& frame) override;
    QByteArray readAll() override;
    int errorCode() const override { return m_errorCode; }
    QString errorString() const override { return m_errorString; }
    bool deviceLost() const override { return m_deviceLost; }

private:
    void onError(QSerialPort::SerialPortError error);
    void fail(int code, const QString& message);

    QSerialPort m_port;
    std::function<QString()> m_deviceOverride;
    int m_errorCode = ErrorNone;
    QString m_errorString;
    bool m_deviceLost = false;
};
