#include "WordCodec.h"

namespace WordCodec {

Bytes split(int value) {
    const int v = value & 0xFFFF;
    const int high = v / 256;
    return {static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(v - high * 256)};
}

std::optional<int> byteAt(const QByteArray& frame, int pos) {
    if (pos < 1 || pos > frame.size()) return std::nullopt;
    return static_cast<std::uint8_t>(frame.at(pos - 1));
}

std::optional<int> wordAt(const QByteArray& frame, int pos) {
    const auto high = byteAt(frame, pos);
    const auto low = byteAt(frame, pos + 1);
    if (!high || !low) return std::nullopt;
    return *high * 256 + *low;
}

std::optional<int> signedTemperatureAt(const QByteArray& frame, int pos) {
    auto w = wordAt(frame, pos);
    if (w && *w > 32768) *w -= 65536;
    return w;
}

} // namespace WordCodec
