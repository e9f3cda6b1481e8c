#pragma once

#include <array>
#include <cstdint>

// What the virtual ECU measures and decides at one moment, in the ECU's own units. The
// responder packs these into the live, calibration and diagnosis records.
struct EngineState {
    int rpm = 850;
    int pressure1 = 1250;         // mbar, gas rail pressure
    int pressure2 = 400;          // mbar, second sensor
    int lambdaMv = 450;           // probe voltage
    int lambdaMeanMv = 450;
    int gasTemperature = 45;      // °C, may be negative
    int levelInputMv = 3100;      // level sender reading
    std::array<int, 8> petrolTinj{}; // per cylinder, ECU time units
    std::array<int, 8> gasTinj{};
    int ktab = 105;
    int kcor = 100;
    int ecuState = 1;
    bool onPetrol = false;
    int levelCode = 3;
    int petrolTinjMean = 3000;    // calibration record
    int gasTinjMean = 3150;
    std::array<int, 17> diagnosis{}; // injector states, voltages, board temperature...

    // A warm engine idling on gas with four cylinders fitted.
    static EngineState idle(int cylinders = 4);
};
