#pragma once

#include "link/LiveData.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

class LanguageTable;
class ParameterSet;

// The two kinds of acquisition log: the live screen's and the automatic calibration's. They
// share the headers and differ in heading, data columns and default file name.
enum class LogKind { Live, Calibration };

// The lines of an acquisition log, as bytes: UTF-8, each ended by CR LF so that the file
// reads the same in a spreadsheet on any system. Numbers are plain decimal integers.
namespace LogLines {

inline constexpr int DumpLineCount = 7;

// "SW PC 3.1.2 SW ECU 1.4.7"
QByteArray versionLine(const QString& pcVersion, const std::array<int, 3>& ecuVersion);

// The parameter dump: per line, label text and value of each parameter with nothing
// between; separators and units are part of the labels (strP_00..strP_50). A label the
// language file did not give is replaced by the parameter's name, so the dump stays
// readable.
std::array<QByteArray, DumpLineCount> parameterDump(const ParameterSet& parameters,
                                                    const LanguageTable& language);

// The label entry (strP_nn) of parameter `id`: the parameter's place in the dump. -1 for the
// parameters the dump does not carry.
int labelEntryOf(int id);

// The column heading of the kind (RP00000 or RPT0000).
QByteArray heading(LogKind kind, const LanguageTable& language);

// Version line, dump and heading, as written when a log starts.
QByteArray headers(LogKind kind, const QString& pcVersion, const std::array<int, 3>& ecuVersion,
                   const ParameterSet& parameters, const LanguageTable& language);

// Live line, 17 fields: elapsed ms, EcuState, Rpm, Kcor, Pressure1, Pressure2, Temperature,
// Lambda1, LevelInput and all eight petrol injection times, whatever the cylinder count.
QByteArray liveLine(qint64 elapsedMs, const LiveData& live);

// The table cell a cell-by-cell calibration run measures: row of injection time and column
// of rpm, from 1 as the calibration page names them.
struct LogCell {
    int row = 0;
    int column = 0;
};

// Calibration line, 11 fields: elapsed ms, EcuState, Rpm, Kcor, Pressure1, Pressure2,
// Temperature, Lambda1, the calibration phase, PetrolTinj, GasTinj; during a cell run two
// more, the cell's row and column.
QByteArray calibrationLine(qint64 elapsedMs, const LiveData& live, int calPhase,
                           std::optional<LogCell> cell = std::nullopt);

} // namespace LogLines
