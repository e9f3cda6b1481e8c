#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

// 16-bit values travel high byte first. Positions are 1-based: byte 1 is the frame's "P",
// byte 4 its length, byte 5 its command, as the ECU's firmware counts them.
namespace WordCodec {

struct Bytes {
    std::uint8_t high;
    std::uint8_t low;
};

// Splits v into high = v / 256 (truncated) and low = v - high * 256. Values outside
// 0..65535 are reduced to 16 bits first: the ECU only ever sees two bytes.
Bytes split(int value);

// Byte at 1-based position pos, or nullopt past the end.
std::optional<int> byteAt(const QByteArray& frame, int pos);
// Unsigned word with its high byte at pos.
std::optional<int> wordAt(const QByteArray& frame, int pos);
// The temperature word: above 32768 it is negative (value - 65536); 32768 itself stays.
std::optional<int> signedTemperatureAt(const QByteArray& frame, int pos);

} // namespace WordCodec
