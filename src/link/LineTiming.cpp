#include "LineTiming.h"

#include "Commands.h"

#include <QStringList>
#include <cmath>

LineTiming LineTiming::fromSettings(const QString& settings) {
    LineTiming t;
    const QStringList parts = settings.split(QLatin1Char(','));
    bool ok = false;
    if (parts.size() > 0) {
        const int baud = parts.at(0).trimmed().toInt(&ok);
        if (ok && baud > 0) t.baud = baud;
    }
    const bool parity =
        parts.size() > 1 && parts.at(1).trimmed().compare(QLatin1String("n"), Qt::CaseInsensitive);
    int dataBits = 8;
    if (parts.size() > 2) {
        const int bits = parts.at(2).trimmed().toInt(&ok);
        if (ok && bits >= 5 && bits <= 8) dataBits = bits;
    }
    // 1.5 stop bits take a whole bit time more on the wire too, rounded up.
    int stopBits = 1;
    if (parts.size() > 3) {
        const double stop = parts.at(3).trimmed().toDouble(&ok);
        if (ok && stop > 1) stopBits = 2;
    }
    t.bitsPerByte = 1 + dataBits + (parity ? 1 : 0) + stopBits;
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
