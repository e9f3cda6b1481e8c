#pragma once

#include <QString>
#include <functional>
#include <vector>

// A serial port the system reports: a USB adapter, a built-in port.
struct SerialPortEntry {
    QString name;      // "ttyUSB0", "COM12"
    QString device;    // what to open: "/dev/ttyUSB0", "COM12"
    QString describes; // what the system says of it; may be empty

    // "ttyUSB0 — FT232R USB UART (FTDI, 0403:6001)", or the bare name.
    QString caption() const;
};

// Where the settings dialog gets its list from: the system in the program, a fixed list in
// tests, so that no test depends on the ports of the machine it runs on.
using SerialPortLister = std::function<std::vector<SerialPortEntry>()>;

// The ports the system reports now, in the order it reports them.
std::vector<SerialPortEntry> systemSerialPorts();
