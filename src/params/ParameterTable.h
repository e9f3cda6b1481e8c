#pragma once

#include "ParameterId.h"

#include <span>

// One row per scalar parameter: written once, used by the upload parser, the checks, the
// pages and the archive.
struct ParameterInfo {
    int id;
    const char* name; // the name used in code and messages, e.g. "SwitchRpm"
    int defaultValue;
    bool checked; // false: the ECU value is carried without any range check
    int minValue; // widest accepted value; some limits also depend on other fields
    int maxValue;
    const char* unit;  // as printed beside the field, "" when none
    const char* label; // the caption a fitter knows it by; "" where no screen shows one
};

namespace ParameterTable {
std::span<const ParameterInfo> all();
// Row of a parameter id 1..62, nullptr otherwise.
const ParameterInfo* find(int id);
int defaultOf(int id);
} // namespace ParameterTable
