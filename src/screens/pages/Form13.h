#pragma once

#include "screens/pages/ParameterPageForm.h"

// The other-parameters page: coils and injectors, calibration pressure and temperature, the
// temperature window, the pressure corrective's speed, the pressure sensor and gas injector.
class Form13 final : public ParameterPageForm {
    Q_OBJECT
public:
    explicit Form13(FormContext& context);
};
