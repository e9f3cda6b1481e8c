#include "EngineState.h"

EngineState EngineState::idle(int cylinders) {
    EngineState s;
    for (int i = 0; i < 8; ++i) {
        const bool fitted = i < cylinders;
        s.petrolTinj[i] = fitted ? 3000 + 20 * i : 0;
        s.gasTinj[i] = fitted ? 3150 + 20 * i : 0;
    }
    // Injector outputs 1..8 (1 = driving), battery and sensor supplies in mV, board
    // temperature in tenths of a degree, then spare words.
    s.diagnosis = {1, 1, 1, 1, 0, 0, 0, 0, 13800, 5000, 12100, 324, 0, 0, 0, 0, 0};
    return s;
}
