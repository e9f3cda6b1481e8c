#include "LineTiming.h"

#include "Commands.h"
#include "SerialEcuLink.h"

#include <cmath>

LineTiming LineTiming::fromSettings(const QString& settings) {
    LineTiming t;
    const auto line = parseLineSettings(settings);
    if (!line) return t;
    t.baud = line->baud;
    const bool parity = line->parity != QSerialPort::NoParity;
    // 1.5 stop bits take a whole bit time more on the wire too, rounded up.
    const int stopBits = line->stopBits == QSerialPort::OneStop ? 1 : 2;
    t.bitsPerByte = 1 + static_cast<int>(line->dataBits) + (parity ? 1 : 0) + stopBits;
    return t;
}

double LineTiming::byteMs() const {
    return 1000.0 * bitsPerByte / baud;
}

int LineTiming::transferMs(int bytes) const {
    return static_cast<int>(std::ceil(bytes * byteMs()));
}

int LineTiming::replyDueMs(int command) const {
    return transferMs(Commands::requestLength(command)) + ecuLatencyMs +
           transferMs(Commands::replyLength(command)) + adapterLatencyMs;
}
