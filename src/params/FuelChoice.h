#pragma once

#include "WriteList.h"

#include <vector>

// The gas the car runs on (GasType) never changes alone: it travels with the pressure below
// which the ECU takes the tank for empty and goes back to petrol (EndOfGasPressure), and each
// gas has its own. A fitter who switches the fuel on the main menu does not set that pressure
// by hand, so the switch writes both, the gas first.
namespace FuelChoice {

constexpr int Lpg = 0;
constexpr int Methane = 1;
// mbar, within the parameter's 100..1000.
constexpr int LpgEndOfGasPressure = 400;
constexpr int MethaneEndOfGasPressure = 850;

int endOfGasPressure(int gasType);

// The writes that take a car whose set holds `gasType` to the `chosen` gas: the gas type, then
// its end-of-gas pressure. None when nothing changes, or when either is no known gas (a set
// never read holds no gas the ECU knows, and a write would only guess).
std::vector<WriteList::Entry> switchWrites(int gasType, int chosen);

} // namespace FuelChoice
