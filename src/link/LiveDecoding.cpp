#include "link/LiveDecoding.h"

#include "link/WordCodec.h"

#include <algorithm>

namespace LiveDecoding {

using WordCodec::byteAt;
using WordCodec::wordAt;

std::optional<DiagnosisRecord> decodeDiagnosis(const QByteArray& reply) {
    if (reply.size() < 39) return std::nullopt;
    DiagnosisRecord rec{};
    for (int i = 0; i < 17; ++i)
        rec[i] = *wordAt(reply, 6 + 2 * i);
    return rec;
}

bool decodeLiveRecord(const QByteArray& reply, LiveData& live, int injectorCount) {
    if (reply.size() < 75) return false;
    const int cylinders = std::clamp(injectorCount, 1, 8);
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
        if (live.PetrolInjTime[i] == 0) live.cutOffFlag = QStringLiteral("CUTOFF");
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
    if (reply.size() < 30) return false;
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
    // The calibration page's status line names them as the live screen's does.
    live.safetyFlag = live.Rpm == 0 ? QStringLiteral("SAFETY") : QString();
    live.cutOffFlag = live.PetrolTinj == 0 ? QStringLiteral("CUTOFF") : QString();
    return true;
}

} // namespace LiveDecoding
