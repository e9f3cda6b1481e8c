#include "EngineState.h"

EngineState EngineState::idle(int cylinders) {
    EngineState s;
    for (int i = 0; i < 8; ++i) {
        const bool fitted = i < cylinders;
        s.petrolTinj[i] = fitted ? 3000 + 20 * i : 0;
        s.gasTinj[i] = fitted ? 3150 + 20 * i : 0;
        s.diagnosis[DiagInjector1 + i] = fitted ? 1 : 0;
    }
    s.ecuState = 12;
    s.diagnosis[DiagGasValve] = 1;
    s.diagnosis[DiagInjector1Sense] = 1;
    s.diagnosis[DiagBoardTemperature] = 324;
    s.diagnosis[DiagGeneralValve] = 1;
    s.diagnosis[DiagKeyVoltage] = 13800;
    s.diagnosis[DiagSensorSupply] = 5000;
    return s;
}
