#include "SerialEcuLink.h"

#include <QStringList>

Result<LineSettings> parseLineSettings(const QString& settings) {
    auto reject = [](const QString& reason) { return Failure{reason}; };
    const QStringList f = settings.trimmed().split(QLatin1Char(','));
    if (f.size() != 4)
        return reject(QStringLiteral("settings \"%1\" are not baud,parity,data bits,stop bits")
                          .arg(settings));
    LineSettings s;
    bool ok = false;
    s.baud = f[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return reject(QStringLiteral("baud rate \"%1\" is not valid").arg(f[0]));

    const QString parity = f[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        s.parity = QSerialPort::SpaceParity;
    else
        return reject(QStringLiteral("parity \"%1\" is not valid").arg(f[1]));

    const int bits = f[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return reject(QStringLiteral("%1 data bits are not supported by this port").arg(f[2]));
    s.dataBits = static_cast<QSerialPort::DataBits>(bits);

    const QString stop = f[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return reject(QStringLiteral("stop bits \"%1\" are not valid").arg(f[3]));
    return s;
}

QString deviceForPortNumber(const QString& portNumber) {
    bool ok = false;
    const int n = portNumber.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > 255) return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

SerialEcuLink::SerialEcuLink(QString deviceOverride)
    : SerialEcuLink([device = std::move(deviceOverride)] { return device; }) {}

SerialEcuLink::SerialEcuLink(std::function<QString()> deviceOverride)
    : m_deviceOverride(std::move(deviceOverride)) {
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
}

SerialEcuLink::~SerialEcuLink() {
    close();
}

void SerialEcuLink::fail(int code, const QString& message) {
    m_errorCode = code;
    m_errorString = message;
}

bool SerialEcuLink::open(const QString& portNumber, const QString& settings) {
    if (m_port.isOpen()) {
        fail(ErrorPortAlreadyOpen, QStringLiteral("The port is already open."));
        return false;
    }
    const QString chosen = m_deviceOverride ? m_deviceOverride() : QString();
    const QString device = chosen.isEmpty() ? deviceForPortNumber(portNumber) : chosen;
    if (device.isEmpty()) {
        fail(ErrorInvalidPort, QStringLiteral("Invalid port number \"%1\".").arg(portNumber));
        return false;
    }
    const Result<LineSettings> line = parseLineSettings(settings);
    if (!line) {
        fail(ErrorOther, QStringLiteral("Invalid port settings: %1.").arg(line.errorString()));
        return false;
    }
    // Line parameters go in before open(): a pseudo-terminal refuses some of them once open.
    m_port.setPortName(device);
    m_port.setBaudRate(line->baud);
    m_port.setParity(line->parity);
    m_port.setDataBits(line->dataBits);
    m_port.setStopBits(line->stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto e = m_port.error();
        const QString text = QStringLiteral("%1: %2").arg(device, m_port.errorString());
        if (e == QSerialPort::DeviceNotFoundError)
            fail(ErrorInvalidPort, text);
        else if (e == QSerialPort::PermissionError || e == QSerialPort::OpenError)
            fail(ErrorPortAlreadyOpen, text);
        else
            fail(ErrorOther, text);
        m_port.clearError();
        return false;
    }
    m_port.clear();
    m_deviceLost = false;
    fail(ErrorNone, QString());
    return true;
}

void SerialEcuLink::close() {
    if (m_port.isOpen()) m_port.close();
}

bool SerialEcuLink::isOpen() const {
    return m_port.isOpen();
}

bool SerialEcuLink::write(const QByteArray& frame) {
    if (!m_port.isOpen()) return false;
    const bool ok = m_port.write(frame) == frame.size();
    // Push the bytes out now rather than on the next pass of the event loop, so the reply
    // has the whole timer interval to arrive.
    m_port.flush();
    return ok;
}

QByteArray SerialEcuLink::readAll() {
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void SerialEcuLink::onError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || !m_port.isOpen()) return;
    // A device that went away (USB adapter pulled, pseudo-terminal closed) floods these
    // errors while the port stays open; close it so the screens see a closed line instead.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
        error == QSerialPort::WriteError || error == QSerialPort::PermissionError) {
        fail(ErrorOther, QStringLiteral("%1: %2").arg(m_port.portName(), m_port.errorString()));
        m_deviceLost = true;
        m_port.close();
    }
}
