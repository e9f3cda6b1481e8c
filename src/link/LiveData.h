#pragma once

#include <QString>
#include <array>

// The latest live values the ECU reported, from the live record (command 3) or the
// calibration live record (command 10). Values are held in the ECU's own units.
struct LiveData {
    int Pressure1 = 0;
    int Pressure2 = 0;
    int Lambda1 = 0;
    int Lambda1Mean = 0;
    int Temperature = 0;
    int LevelInput = 0;
    int Rpm = 0;
    std::array<int, 8> PetrolInjTime{};
    std::array<int, 8> GasInjTime{};
    int Ktab = 0;
    int Kcor = 0;
    int EcuState = 0;
    int FuelState = 0; // 1 = running on petrol, 0 = on gas
    int LevelCode = 0;
    int PetrolTinj = 0;
    int GasTinj = 0;

    // Fields the ECU sends that no screen shows; kept so that the record holds the whole reply.
    int word12 = 0;               // command 3, bytes 12-13
    int word18 = 0;               // command 3, bytes 18-19
    int word20 = 0;               // command 3, bytes 20-21
    int word24 = 0;               // command 3, bytes 24-25
    int word26 = 0;               // command 3, bytes 26-27
    int byte66 = 0;               // command 3, byte 66
    int byte68 = 0;               // command 3, byte 68
    int word69 = 0;               // command 3, bytes 69-70
    std::array<int, 4> bytes71{}; // command 3, bytes 71-74
    int byte75 = 0;               // command 3, byte 75, kept multiplied by 256
    int cal25 = 0;                // command 10, bytes 25-26
    int cal27 = 0;                // command 10, bytes 27-28

    QString safetyFlag; // "SAFETY" while the engine stands (rpm 0)
    QString cutOffFlag; // "CUTOFF" while a fitted cylinder gets no petrol
};

// The 17 words of the diagnosis record (command 15), in the order the ECU sends them.
using DiagnosisRecord = std::array<int, 17>;
