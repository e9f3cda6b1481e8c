#pragma once

#include <QString>
#include <QtGlobal>

// The serial line between the ECU and the PC, and the USB adapter at the PC's end.
//
// A request takes its bytes' time to reach the ECU, the ECU starts answering after its
// latency, and the reply goes out one byte after another at the line's speed. The adapter
// does not pass bytes on as they come: it hands over what it holds once it holds chunkBytes,
// or when its latency timer runs out chunkMs after the first byte it holds arrived.
struct LineModel {
    int baud = 9600;      // 0: no line; each reply arrives whole, latencyMs after its request
    int bitsPerByte = 10; // start bit, data bits, parity bit, stop bits
    int latencyMs = 5;    // from the request's last byte to the reply's first
    int chunkBytes = 62;  // 64-byte USB packets, two bytes of which are the adapter's status
    int chunkMs = 16;

    // Replies whole and at once: for a test that needs speed, not the line.
    static LineModel instant() { return {0, 10, 0, 62, 16}; }

    // Speed and framing as a port's settings string gives them ("9600,e,8,2"); latency and
    // adapter as they were.
    LineModel withPort(const QString& settings) const;

    bool isInstant() const { return baud <= 0; }
    // Microseconds one byte takes on the wire.
    qint64 byteUs() const;
};
