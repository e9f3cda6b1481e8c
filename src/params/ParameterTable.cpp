#include "ParameterTable.h"

#include <array>

namespace {

// clang-format off
constexpr std::array<ParameterInfo, ParameterCount> kTable{{
    {1,  "InjectorCount",              4,     true,  1,   8,     "",     "NUMERO INIETTORI"},
    {2,  "CoilCount",                  4,     true,  1,   8,     "",     "NUMERO BOBINE"},
    {3,  "Lambda1Type",                2,     true,  0,   3,     "",     "TIPO LAMBDA1"},
    {4,  "Lambda1LeanThreshold",       350,   true,  0,   5000,  "mV",   "SOGLIA MAGRO"},
    {5,  "Lambda1RichThreshold",       600,   true,  0,   5000,  "mV",   "SOGLIA RICCO"},
    {6,  "Lambda1EmulationPeriod",     500,   false, 0,   65535, "ms",   "PERIODO"},
    {7,  "Lambda1EmulationLeanDuty",   60,    false, 0,   65535, "%",    "DUTY CYCLE MAGRO"},
    {8,  "Lambda1EmulationRichDuty",   40,    false, 0,   65535, "%",    "DUTY CYCLE RICCO"},
    {9,  "Lambda1EmulationCutOffDuty", 20,    false, 0,   65535, "%",    "DUTY CYCLE CUT OFF"},
    {10, "MinTemperature",             0,     true,  0,   100,   "°C",   "TEMPERATURA MINIMA"},
    {11, "MaxTemperature",             0,     true,  0,   100,   "°C",   "TEMPERATURA MASSIMA"},
    {12, "SwitchRpm",                  2300,  true,  1200, 8000, "rpm",  "GIRI COMMUTAZIONE"},
    {13, "SwitchTemperature",          50,    true,  40,  100,   "°C",   "TEMPERATURA COMMUTAZIONE"},
    {14, "GasToPetrolOverlap",         50,    true,  0,   1000,  "ms",   "TEMPO SOVRAPPOSIZIONE GAS -> BENZINA"},
    {15, "PetrolToGasOverlap",         0,     true,  0,   1000,  "ms",   "TEMPO SOVRAPPOSIZIONE BENZINA -> GAS"},
    {16, "LevelThreshold1",            10,    true,  10,  100,   "%",    ""},
    {17, "LevelThreshold2",            30,    true,  10,  100,   "%",    ""},
    {18, "LevelThreshold3",            60,    true,  10,  100,   "%",    ""},
    {19, "LevelMin",                   0,     true,  0,   5000,  "mV",   "MIN LIVELLO"},
    {20, "LevelMax",                   5000,  true,  0,   5000,  "mV",   "MAX LIVELLO"},
    {21, "PressureCorrection",         0,     true,  0,   5,     "",     "Correttivo pressione"},
    {22, "PressureCorrectionInterval", 100,   true,  10,  1000,  "",     "Intervallo pressione"},
    {23, "PressureCorrectionRpm",      1100,  true,  700, 8000,  "rpm",  "SOGLIA GIRI INSERIMENTO CORRETTIVO PRESSIONE"},
    {24, "LambdaMaxVariation",         0,     true,  0,   8,     "",     "Massima variazione"},
    {25, "LambdaCorrectionRpm",        1500,  true,  700, 8000,  "rpm",  "SOGLIA GIRI INSERIMENTO CORREZIONE LAMBDA"},
    {26, "TemperatureCorrection",      0,     true,  0,   3,     "",     "Correttivo temperatura"},
    {27, "TemperatureCorrectionInterval", 10, true,  2,   50,    "",     "Intervallo temperatura"},
    {28, "CalibrationTemperature",     70,    true,  60,  105,   "°C",   "TEMPERATURA DI TARATURA"},
    {29, "CalibrationPressure",        1300,  true,  500, 2000,  "mbar", "PRESSIONE DI TARATURA"},
    {30, "EndOfGasPressure",           400,   true,  100, 1000,  "mbar", "PRESSIONE FINE GAS"},
    {31, "AuxParameter31",             2500,  false, 0,   65535, "",     ""},
    {32, "AuxParameter32",             1000,  false, 0,   65535, "",     ""},
    {33, "GasInjectorType",            0,     true,  0,   5,     "",     "INIETTORE GAS"},
    {34, "RpmBreakpoint1",             650,   true,  500, 10000, "rpm",  "TAB RPM 1"},
    {35, "RpmBreakpoint2",             1000,  true,  500, 10000, "rpm",  "TAB RPM 2"},
    {36, "RpmBreakpoint3",             2000,  true,  500, 10000, "rpm",  "TAB RPM 3"},
    {37, "RpmBreakpoint4",             3000,  true,  500, 10000, "rpm",  "TAB RPM 4"},
    {38, "RpmBreakpoint5",             4000,  true,  500, 10000, "rpm",  "TAB RPM 5"},
    {39, "RpmBreakpoint6",             5000,  true,  500, 10000, "rpm",  "TAB RPM 6"},
    {40, "RpmBreakpoint7",             6000,  true,  500, 10000, "rpm",  "TAB RPM 7"},
    {41, "RpmBreakpoint8",             7000,  true,  500, 10000, "rpm",  "TAB RPM 8"},
    {42, "TinjBreakpoint1",            2000,  true,  500, 25000, "",     "TAB TINJ 1"},
    {43, "TinjBreakpoint2",            3500,  true,  500, 25000, "",     "TAB TINJ 2"},
    {44, "TinjBreakpoint3",            5000,  true,  500, 25000, "",     "TAB TINJ 3"},
    {45, "TinjBreakpoint4",            7000,  true,  500, 25000, "",     "TAB TINJ 4"},
    {46, "TinjBreakpoint5",            9000,  true,  500, 25000, "",     "TAB TINJ 5"},
    {47, "TinjBreakpoint6",            11000, true,  500, 25000, "",     "TAB TINJ 6"},
    {48, "TinjBreakpoint7",            13000, true,  500, 25000, "",     "TAB TINJ 7"},
    {49, "TinjBreakpoint8",            15000, true,  500, 25000, "",     "TAB TINJ 8"},
    {50, "Lambda2Type",                2,     false, 0,   65535, "",     ""},
    {51, "Lambda2LeanThreshold",       350,   false, 0,   65535, "mV",   ""},
    {52, "Lambda2RichThreshold",       600,   false, 0,   65535, "mV",   ""},
    {53, "Lambda2EmulationPeriod",     500,   false, 0,   65535, "ms",   ""},
    {54, "Lambda2EmulationLeanDuty",   60,    false, 0,   65535, "%",    ""},
    {55, "Lambda2EmulationRichDuty",   40,    false, 0,   65535, "%",    ""},
    {56, "Lambda2EmulationCutOffDuty", 20,    false, 0,   65535, "%",    ""},
    {57, "PressureSensorType",         0,     true,  0,   1,     "",     "SENSORE PRESSIONE"},
    {58, "LevelSenderType",            1,     true,  1,   2,     "",     "COMMUTATORE"},
    {59, "SwitchOnDeceleration",       1,     true,  0,   1,     "",     ""},
    {60, "AuxParameter60",             800,   false, 0,   65535, "",     ""},
    {61, "HotSwitching",               1,     true,  0,   1,     "",     "Commutazione a caldo"},
    {62, "GasType",                    0,     true,  0,   1,     "",     ""},
}};
// clang-format on

} // namespace

namespace ParameterTable {

std::span<const ParameterInfo> all() {
    return kTable;
}

const ParameterInfo* find(int id) {
    return id >= 1 && id <= ParameterCount ? &kTable[id - 1] : nullptr;
}

int defaultOf(int id) {
    const ParameterInfo* p = find(id);
    return p ? p->defaultValue : 0;
}

} // namespace ParameterTable
