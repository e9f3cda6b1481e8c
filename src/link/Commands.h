#pragma once

#include <QByteArray>
#include <array>
#include <optional>

// Request builders and reply decoders of the ECU commands. A decoder returns nullopt (or
// false) for a frame too short for its fields: such a reply is not accepted, and the exchange
// repeats the request as if nothing had arrived.
namespace Commands {

enum Code : int {
    ReadParameters = 1,
    WriteParameter = 2,
    LiveRecord = 3,
    SwitchFuel = 4,
    RestoreDefaults = 5,
    Version = 7,
    ReadTable = 8,
    WriteTableEntry = 9,
    CalibrationLive = 10,
    EnterCalibration = 11,
    LeaveCalibration = 12,
    Diagnosis = 15,
};

// "P", "C", 0x00, total length, command, payload.
QByteArray frame(int command, const QByteArray& payload = {});

// Byte 4 of a reply (its stated length) and byte 5 (the command it answers); nullopt below
// five bytes.
std::optional<int> statedLength(const QByteArray& reply);
std::optional<int> commandOf(const QByteArray& reply);

// Whole frame lengths, header included: of the request for a command, and of the longest
// reply the tool reads for it (an acknowledgement is a bare header).
int requestLength(int command);
int replyLength(int command);

QByteArray writeParameter(int id, int value);     // command 2
QByteArray writeTableEntry(int index, int value); // command 9
QByteArray calibrationLive(int coefficient);      // command 10

using EcuVersion = std::array<int, 3>;
using ParameterBlock = std::array<int, 62>; // parameters 1..62 at [0..61]
using TableBlock = std::array<int, 64>;     // table entries 1..64 at [0..63]

std::optional<EcuVersion> decodeVersion(const QByteArray& reply);
std::optional<ParameterBlock> decodeParameters(const QByteArray& reply);
std::optional<TableBlock> decodeTable(const QByteArray& reply);

} // namespace Commands
