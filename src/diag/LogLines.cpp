#include "LogLines.h"

#include "base/Version.h"
#include "lang/LanguageTable.h"
#include "params/ParameterSet.h"
#include "params/ParameterTable.h"

#include <initializer_list>
#include <vector>

namespace LogLines {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// Parameters of the dump, line by line; label strP_nn goes with the nn-th id overall.
// The order is the log's own, fixed for whoever reads the files; not the ECU block order.
const std::array<std::vector<int>, DumpLineCount> kDumpLines{{
    {InjectorCount, CoilCount, CalibrationPressure, Lambda1Type, CalibrationTemperature,
     Lambda1LeanThreshold, Lambda1RichThreshold, MinTemperature},
    {MaxTemperature, SwitchRpm, SwitchTemperature, GasToPetrolOverlap, PetrolToGasOverlap,
     LevelThreshold1, LevelThreshold2, LevelThreshold3},
    {LevelMin, LevelMax, PressureCorrection, PressureCorrectionInterval, LambdaMaxVariation,
     TemperatureCorrection, TemperatureCorrectionInterval, LambdaCorrectionRpm},
    {GasInjectorType, EndOfGasPressure, SwitchOnDeceleration, Lambda2Type, PressureCorrectionRpm,
     Lambda2LeanThreshold, Lambda2RichThreshold, LevelSenderType},
    {RpmBreakpoint1, RpmBreakpoint1 + 1, RpmBreakpoint1 + 2, RpmBreakpoint1 + 3, RpmBreakpoint1 + 4,
     RpmBreakpoint1 + 5, RpmBreakpoint1 + 6, RpmBreakpoint1 + 7},
    {TinjBreakpoint1, TinjBreakpoint1 + 1, TinjBreakpoint1 + 2, TinjBreakpoint1 + 3,
     TinjBreakpoint1 + 4, TinjBreakpoint1 + 5, TinjBreakpoint1 + 6, TinjBreakpoint1 + 7},
    {PressureSensorType, HotSwitching, GasType},
}};

// The Italian headings, for a language file that lacks them.
const char* const kLiveHeading =
    "Tempo ms;Stato ECU;RPM;KCOR;Pressione1;Pressione2;Temperatura;Lambda1;Livello;"
    "Tinj benzina 1;Tinj benzina 2;Tinj benzina 3;Tinj benzina 4;Tinj benzina 5;"
    "Tinj benzina 6;Tinj benzina 7;Tinj benzina 8";
const char* const kCalibrationHeading = "Tempo ms;Stato ECU;RPM;KCOR;Pressione1;Pressione2;"
                                        "Temperatura;Lambda1;Fase taratura;Tinj_Benzina;Tinj_GAS";

QByteArray joined(qint64 elapsedMs, std::initializer_list<int> fields) {
    QByteArray line = QByteArray::number(elapsedMs);
    for (int v : fields) {
        line += ';';
        line += QByteArray::number(v);
    }
    return line + kLineEnd;
}

} // namespace

QByteArray versionLine(const QString& pcVersion, const std::array<int, 3>& ecuVersion) {
    return (QStringLiteral("SW PC ") + pcVersion + QStringLiteral(" SW ECU ") +
            versionText(ecuVersion))
               .toUtf8() +
           kLineEnd;
}

std::array<QByteArray, DumpLineCount> parameterDump(const ParameterSet& parameters,
                                                    const LanguageTable& language) {
    std::array<QByteArray, DumpLineCount> lines;
    int label = 0;
    for (int l = 0; l < DumpLineCount; ++l) {
        QString text;
        bool first = true;
        for (int id : kDumpLines[l]) {
            QString name = language.parameterName(label++);
            if (name.isEmpty()) {
                const ParameterInfo* info = ParameterTable::find(id);
                name = (first ? QString() : QStringLiteral(";")) +
                       QString::fromLatin1(info ? info->name : "") + QLatin1Char('=');
            }
            text += name + QString::number(parameters.value(id));
            first = false;
        }
        lines[l] = text.toUtf8() + kLineEnd;
    }
    return lines;
}

int labelEntryOf(int id) {
    int label = 0;
    for (const std::vector<int>& line : kDumpLines) {
        for (int listed : line) {
            if (listed == id) return label;
            ++label;
        }
    }
    return -1;
}

QByteArray heading(LogKind kind, const LanguageTable& language) {
    const QString text =
        kind == LogKind::Live
            ? language.text(QStringLiteral("RP00000"), QString::fromUtf8(kLiveHeading))
            : language.text(QStringLiteral("RPT0000"), QString::fromUtf8(kCalibrationHeading));
    return text.toUtf8() + kLineEnd;
}

QByteArray headers(LogKind kind, const QString& pcVersion, const std::array<int, 3>& ecuVersion,
                   const ParameterSet& parameters, const LanguageTable& language) {
    QByteArray out = versionLine(pcVersion, ecuVersion);
    for (const QByteArray& line : parameterDump(parameters, language))
        out += line;
    return out + heading(kind, language);
}

QByteArray liveLine(qint64 elapsedMs, const LiveData& d) {
    const auto& p = d.PetrolInjTime;
    return joined(elapsedMs,
                  {d.EcuState, d.Rpm, d.Kcor, d.Pressure1, d.Pressure2, d.Temperature, d.Lambda1,
                   d.LevelInput, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]});
}

QByteArray calibrationLine(qint64 elapsedMs, const LiveData& d, int calPhase,
                           std::optional<LogCell> cell) {
    if (cell)
        return joined(elapsedMs,
                      {d.EcuState, d.Rpm, d.Kcor, d.Pressure1, d.Pressure2, d.Temperature,
                       d.Lambda1, calPhase, d.PetrolTinj, d.GasTinj, cell->row, cell->column});
    return joined(elapsedMs, {d.EcuState, d.Rpm, d.Kcor, d.Pressure1, d.Pressure2, d.Temperature,
                              d.Lambda1, calPhase, d.PetrolTinj, d.GasTinj});
}

} // namespace LogLines
