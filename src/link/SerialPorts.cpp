#include "SerialPorts.h"

#include <QSerialPortInfo>
#include <QStringList>

QString SerialPortEntry::caption() const {
    return describes.isEmpty() ? name : name + QStringLiteral(" — ") + describes;
}

std::vector<SerialPortEntry> systemSerialPorts() {
    std::vector<SerialPortEntry> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        QStringList maker;
        if (!info.manufacturer().isEmpty()) maker << info.manufacturer();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            maker << QStringLiteral("%1:%2")
                         .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                         .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        QString describes = info.description();
        if (!maker.isEmpty())
            describes += (describes.isEmpty() ? QString() : QStringLiteral(" ")) +
                         QStringLiteral("(%1)").arg(maker.join(QStringLiteral(", ")));
        out.push_back({info.portName(), info.systemLocation(), describes});
    }
    return out;
}
