#include "Commands.h"

#include "WordCodec.h"

namespace Commands {

using WordCodec::byteAt;
using WordCodec::wordAt;

QByteArray frame(int command, const QByteArray& payload) {
    QByteArray f;
    f.reserve(5 + payload.size());
    f.append('P');
    f.append('C');
    f.append('\0');
    f.append(static_cast<char>(5 + payload.size()));
    f.append(static_cast<char>(command));
    f.append(payload);
    return f;
}

std::optional<int> statedLength(const QByteArray& reply) {
    return reply.size() >= 5 ? byteAt(reply, 4) : std::nullopt;
}

std::optional<int> commandOf(const QByteArray& reply) {
    return reply.size() >= 5 ? byteAt(reply, 5) : std::nullopt;
}

int requestLength(int command) {
    switch (command) {
    case WriteParameter:
        return 9;
    case WriteTableEntry:
        return 7;
    case CalibrationLive:
        return 6;
    default:
        return 5;
    }
}

int replyLength(int command) {
    switch (command) {
    case ReadParameters:
        return 129;
    case LiveRecord:
        return 75;
    case Version:
        return 8;
    case ReadTable:
        return 69;
    case CalibrationLive:
        return 30;
    case Diagnosis:
        return 39;
    default:
        return 5;
    }
}

QByteArray writeParameter(int id, int value) {
    const auto w = WordCodec::split(value);
    QByteArray p;
    p.append('\0');
    p.append(static_cast<char>(id));
    p.append(static_cast<char>(w.high));
    p.append(static_cast<char>(w.low));
    return frame(WriteParameter, p);
}

QByteArray writeTableEntry(int index, int value) {
    QByteArray p;
    p.append(static_cast<char>(index));
    p.append(static_cast<char>(value & 0xFF));
    return frame(WriteTableEntry, p);
}

QByteArray calibrationLive(int coefficient) {
    return frame(CalibrationLive, QByteArray(1, static_cast<char>(coefficient & 0xFF)));
}

std::optional<EcuVersion> decodeVersion(const QByteArray& reply) {
    if (reply.size() < 8) return std::nullopt;
    return EcuVersion{*byteAt(reply, 6), *byteAt(reply, 7), *byteAt(reply, 8)};
}

std::optional<ParameterBlock> decodeParameters(const QByteArray& reply) {
    if (reply.size() < 129) return std::nullopt;
    ParameterBlock block{};
    for (int k = 1; k <= 62; ++k)
        block[k - 1] = *wordAt(reply, 4 + 2 * k);
    return block;
}

std::optional<TableBlock> decodeTable(const QByteArray& reply) {
    if (reply.size() < 69) return std::nullopt;
    TableBlock table{};
    for (int k = 1; k <= 64; ++k)
        table[k - 1] = *byteAt(reply, 5 + k);
    return table;
}

} // namespace Commands
