#include "FuelChoice.h"

#include "ParameterId.h"

namespace FuelChoice {

namespace {
bool known(int gasType) {
    return gasType == Lpg || gasType == Methane;
}
} // namespace

int endOfGasPressure(int gasType) {
    return gasType == Methane ? MethaneEndOfGasPressure : LpgEndOfGasPressure;
}

std::vector<WriteList::Entry> switchWrites(int gasType, int chosen) {
    if (!known(gasType) || !known(chosen) || gasType == chosen) return {};
    return {{GasType, chosen, false}, {EndOfGasPressure, endOfGasPressure(chosen), false}};
}

} // namespace FuelChoice
