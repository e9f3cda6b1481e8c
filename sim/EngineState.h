#pragma once

#include <array>
#include <cstdint>

// What the virtual ECU measures and decides at one moment, in the ECU's own units. The
// responder packs these into the live, calibration and diagnosis records.
struct EngineState {
    int rpm = 850;
    int pressure1 = 1250; // mbar, gas rail pressure
    int pressure2 = 400;  // mbar, second sensor
    int lambdaMv = 450;   // probe voltage
    int lambdaMeanMv = 450;
    int gasTemperature = 45;         // °C, may be negative
    int levelInputMv = 3100;         // level sender reading
    std::array<int, 8> petrolTinj{}; // per cylinder, ECU time units
    std::array<int, 8> gasTinj{};
    int ktab = 105;
    int kcor = 100;
    int ecuState = 1;
    bool onPetrol = false;
    int levelCode = 3;
    int petrolTinjMean = 3000; // calibration record
    int gasTinjMean = 3150;

    // The diagnosis record, in the order the ECU sends its 17 words.
    enum Diagnosis {
        DiagGasValve = 0,         // gas solenoid valve driven (1) or not (0)
        DiagInjector1Sense = 1,   // petrol injector 1 pulses seen
        DiagBoardTemperature = 2, // tenths of a degree
        DiagGeneralValve = 3,     // tank solenoid valve driven
        DiagKeyVoltage = 4,       // mV
        DiagSensorSupply = 5,     // mV
        DiagInjector1 = 6,        // gas injector outputs 1..8 at 6..13 (1 = driving)
        DiagDebug1 = 14,
        DiagDebug2 = 15,
        DiagDebug3 = 16,
    };
    std::array<int, 17> diagnosis{};

    // A warm engine idling on gas with four cylinders fitted.
    static EngineState idle(int cylinders = 4);
};
