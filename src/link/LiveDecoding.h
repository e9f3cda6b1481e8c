#pragma once

#include "link/LiveData.h"

#include <QByteArray>
#include <optional>

// Decoders of the ECU's live records. Each refuses (false / nullopt, leaving the record
// untouched) a frame too short for its fields: such a reply is not accepted, and the exchange
// repeats the request as if nothing had arrived.
namespace LiveDecoding {

// Live record (command 3): fills `live`. Only the first injectorCount cylinders of the two
// injection-time arrays are taken (the others keep their values); a count outside 1..8 is
// held to it, so a corrupt InjectorCount never reads past the record.
bool decodeLiveRecord(const QByteArray& reply, LiveData& live, int injectorCount = 8);
// Calibration live record (command 10).
bool decodeCalibrationLive(const QByteArray& reply, LiveData& live);
// Diagnosis record (command 15): the 17 words in the order the ECU sends them.
std::optional<DiagnosisRecord> decodeDiagnosis(const QByteArray& reply);

} // namespace LiveDecoding
