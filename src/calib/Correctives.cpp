#include "Correctives.h"

#include "link/LiveData.h"
#include "params/ParameterSet.h"

namespace {

// 64-bit all the way: the operands are 32-bit values that need not be in range (a set read
// from an old ECU or a file), so the product cannot be allowed to overflow. Integer division
// truncates toward zero, which is the rounding the page shows.
std::int64_t scaled(std::int64_t difference, std::int64_t correction, std::int64_t interval) {
    if (interval == 0) return 0;
    return difference * correction / interval;
}

} // namespace

namespace Correctives {

std::int64_t temperatureFigure(int temperature, const ParameterSet& set) {
    return scaled(std::int64_t(temperature) - set.value(CalibrationTemperature),
                  set.value(TemperatureCorrection), set.value(TemperatureCorrectionInterval));
}

std::int64_t pressureFigure(int pressure1, int rpm, const ParameterSet& set) {
    if (rpm < set.value(PressureCorrectionRpm)) return 0;
    return scaled(std::int64_t(set.value(CalibrationPressure)) - pressure1,
                  set.value(PressureCorrection), set.value(PressureCorrectionInterval));
}

Figures figures(const LiveData& live, const ParameterSet& set) {
    Figures f;
    f.temperature = temperatureFigure(live.Temperature, set);
    f.pressure = pressureFigure(live.Pressure1, live.Rpm, set);
    return f;
}

Rgb numberColour(int fuelState) {
    return fuelState == 0 ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
}

} // namespace Correctives
