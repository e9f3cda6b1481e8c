#include "Commands.h"

#include "WordCodec.h"

#include <algorithm>

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
    if (reply.size() < 8)
        return std::nullopt;
    return EcuVersion{*byteAt(reply, 6), *byteAt(reply, 7), *byteAt(reply, 8)};
}

std::optional<ParameterBlock> decodeParameters(const QByteArray& reply) {
    if (reply.size() < 129)
        return std::nullopt;
    ParameterBlock block{};
    for (int k = 1; k <= 62; ++k)
        block[k - 1] = *wordAt(reply, 4 + 2 * k);
    return block;
}

std::optional<TableBlock> decodeTable(const QByteArray& reply) {
    if (reply.size() < 69)
        return std::nullopt;
    TableBlock table{};
    for (int k = 1; k <= 64; ++k)
        table[k - 1] = *byteAt(reply, 5 + k);
    return table;
}

std::optional<DiagnosisRecord> decodeDiagnosis(const QByteArray& reply) {
    if (reply.size() < 39)
        return std::nullopt;
    DiagnosisRecord rec{};
    for (int i = 0; i < 17; ++i)
        rec[i] = *wordAt(reply, 6 + 2 * i);
    return rec;
}

bool decodeLiveRecord(const QByteArray& reply, LiveData& live, int injectorCount) {
    if (reply.size() < 75)
        return false;
    const int cylinders = std::clamp(injectorCount, 0, 8);
    live.Pressure1 = *wordAt(reply, 6);
    live.Pressure2 = *wordAt(reply, 8);
    live.Lambda1 = *wordAt(reply, 10);
    live.word12 = *wordAt(reply, 12);
    live.Lambda1Mean = *wordAt(reply, 14);
    live.Temperature = *WordCodec::signedTemperatureAt(reply, 16);
    live.word18 = *wordAt(reply, 18);
    live.word20 = *wordAt(reply, 20);
    live.LevelInput = *wordAt(reply, 22);
    live.word24 = *wordAt(reply, 24);
    live.word26 = *wordAt(reply, 26);
    live.Rpm = *wordAt(reply, 28);
    live.cutOffFlag.clear();
    for (int i = 0; i < cylinders; ++i) {
        live.PetrolInjTime[i] = *wordAt(reply, 30 + 2 * i);
        live.GasInjTime[i] = *wordAt(reply, 46 + 2 * i);
        if (live.PetrolInjTime[i] == 0)
            live.cutOffFlag = QStringLiteral("CUTOFF");
    }
    live.Ktab = *byteAt(reply, 62);
    live.Kcor = *byteAt(reply, 63);
    live.EcuState = *byteAt(reply, 64);
    live.FuelState = *byteAt(reply, 65);
    live.byte66 = *byteAt(reply, 66);
    live.LevelCode = *byteAt(reply, 67);
    live.byte68 = *byteAt(reply, 68);
    live.word69 = *wordAt(reply, 69);
    for (int i = 0; i < 4; ++i)
        live.bytes71[i] = *byteAt(reply, 71 + i);
    live.byte75 = *byteAt(reply, 75) * 256;
    live.safetyFlag = live.Rpm == 0 ? QStringLiteral("SAFETY") : QString();
    return true;
}

bool decodeCalibrationLive(const QByteArray& reply, LiveData& live) {
    if (reply.size() < 30)
        return false;
    live.Lambda1 = *wordAt(reply, 6);
    live.Lambda1Mean = *wordAt(reply, 8);
    live.Kcor = *byteAt(reply, 10);
    live.EcuState = *byteAt(reply, 11);
    live.FuelState = *byteAt(reply, 12);
    live.Pressure1 = *wordAt(reply, 13);
    live.Pressure2 = *wordAt(reply, 15);
    live.Temperature = *WordCodec::signedTemperatureAt(reply, 17);
    live.Rpm = *wordAt(reply, 19);
    live.PetrolTinj = *wordAt(reply, 21);
    live.GasTinj = *wordAt(reply, 23);
    live.cal25 = *wordAt(reply, 25);
    live.cal27 = *wordAt(reply, 27);
    live.LevelInput = *wordAt(reply, 29);
    return true;
}

} // namespace Commands
