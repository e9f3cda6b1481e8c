#pragma once

#include <QString>

// How long bytes take on the line to the ECU. A 9600-baud line with one start bit, eight data
// bits and one stop bit carries a byte in about 1.04 ms, so the 129-byte parameter block needs
// some 134 ms on the wire, after the ECU's own few milliseconds; a USB adapter then holds the
// last bytes until its latency timer runs out (16 ms on most).
struct LineTiming {
    int baud = 9600;
    int bitsPerByte = 10;
    int ecuLatencyMs = 5;
    int adapterLatencyMs = 16;

    // Speed and framing from a settings string such as "9600,n,8,1": a start bit, the data
    // bits, a parity bit unless "n", the stop bits. Unreadable parts keep 9600 8N1.
    static LineTiming fromSettings(const QString& settings);

    double byteMs() const;
    // Milliseconds the line needs for `bytes` bytes, rounded up.
    int transferMs(int bytes) const;
    // At worst, how long after a request is written its whole reply has reached the program:
    // the request on the wire, the ECU's latency, the reply on the wire, the adapter's timer.
    int replyDueMs(int command) const;
};
