#pragma once

#include "base/Rgb.h"

#include <cstdint>

class ParameterSet;
struct LiveData;

// The live figures of the pressure and temperature correctives shown on the calibration page
// (Text13, Text27). They are the program's own display of what the ECU's settings give for the
// values just read; the ECU does not send them. Settings come from the ParameterSet, never from
// what is typed on the page.
namespace Correctives {

// The quotient is truncated toward zero whatever its sign (-1.5 shows -1). A parameter set with
// an interval far below its range can give a figure beyond 16 bits: it is shown as computed.
struct Figures {
    std::int64_t temperature = 0;
    std::int64_t pressure = 0;
    bool operator==(const Figures&) const = default;
};

// (Temperature - CalibrationTemperature) * TemperatureCorrection / TemperatureCorrectionInterval;
// 0 when the interval is 0.
std::int64_t temperatureFigure(int temperature, const ParameterSet& set);
// (CalibrationPressure - Pressure1) * PressureCorrection / PressureCorrectionInterval; 0 when the
// interval is 0 or the engine turns below PressureCorrectionRpm.
std::int64_t pressureFigure(int pressure1, int rpm, const ParameterSet& set);
Figures figures(const LiveData& live, const ParameterSet& set);

// Colour of the page's numbers: green while the engine runs on gas (FuelState 0), red otherwise.
Rgb numberColour(int fuelState);

} // namespace Correctives
