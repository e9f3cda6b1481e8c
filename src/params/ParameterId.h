#pragma once

// The one-byte identifiers by which the ECU names its scalar parameters. The id is also the
// parameter's place in the ECU's parameter block and its row in the vehicle archive.
enum ParameterId : int {
    InjectorCount = 1,
    CoilCount = 2,
    Lambda1Type = 3,
    Lambda1LeanThreshold = 4,
    Lambda1RichThreshold = 5,
    Lambda1EmulationPeriod = 6,
    Lambda1EmulationLeanDuty = 7,
    Lambda1EmulationRichDuty = 8,
    Lambda1EmulationCutOffDuty = 9,
    MinTemperature = 10,
    MaxTemperature = 11,
    SwitchRpm = 12,
    SwitchTemperature = 13,
    GasToPetrolOverlap = 14,
    PetrolToGasOverlap = 15,
    LevelThreshold1 = 16,
    LevelThreshold2 = 17,
    LevelThreshold3 = 18,
    LevelMin = 19,
    LevelMax = 20,
    PressureCorrection = 21,
    PressureCorrectionInterval = 22,
    PressureCorrectionRpm = 23,
    LambdaMaxVariation = 24,
    LambdaCorrectionRpm = 25,
    TemperatureCorrection = 26,
    TemperatureCorrectionInterval = 27,
    CalibrationTemperature = 28,
    CalibrationPressure = 29,
    EndOfGasPressure = 30,
    AuxParameter31 = 31,
    AuxParameter32 = 32,
    GasInjectorType = 33,
    RpmBreakpoint1 = 34,  // 34..41: RpmBreakpoints 1..8
    TinjBreakpoint1 = 42, // 42..49: TinjBreakpoints 1..8
    Lambda2Type = 50,
    Lambda2LeanThreshold = 51,
    Lambda2RichThreshold = 52,
    Lambda2EmulationPeriod = 53,
    Lambda2EmulationLeanDuty = 54,
    Lambda2EmulationRichDuty = 55,
    Lambda2EmulationCutOffDuty = 56,
    PressureSensorType = 57,
    LevelSenderType = 58,
    SwitchOnDeceleration = 59,
    AuxParameter60 = 60,
    HotSwitching = 61,
    GasType = 62,
};

inline constexpr int ParameterCount = 62;
inline constexpr int TableSize = 64;
inline constexpr int TableDefault = 105;
inline constexpr int TableMin = 100;
inline constexpr int TableMax = 150;
