#pragma once

#include "params/ParameterSet.h"

// The set a factory ECU holds.
inline ParameterSet defaults() {
    ParameterSet s;
    SetParameterDefaults(s);
    return s;
}
