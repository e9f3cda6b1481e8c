#pragma once

#include "screens/pages/ParameterPageForm.h"

// The switching page: when and how the ECU changes fuel (speed, temperature, overlaps, the
// end-of-gas pressure, acceleration or deceleration, hot switching).
class Form11 final : public ParameterPageForm {
    Q_OBJECT
public:
    explicit Form11(FormContext& context);
};
