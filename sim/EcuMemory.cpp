#include "EcuMemory.h"

namespace {
// The ECU's own factory set, word by word in block order. Kept here rather than taken from
// the tool, so that a mistake in the tool's defaults shows up against the ECU.
constexpr std::uint16_t kFactoryWords[62] = {
    4,    4,    2,    350,  600,  500,  60,   40,   20,   0,     // 1..10
    0,    2300, 50,   50,   0,    10,   30,   60,   0,    5000,  // 11..20
    0,    100,  1100, 0,    1500, 0,    10,   70,   1300, 400,   // 21..30
    2500, 1000, 0,    650,  1000, 2000, 3000, 4000, 5000, 6000,  // 31..40
    7000, 2000, 3500, 5000, 7000, 9000, 11000, 13000, 15000, 2,  // 41..50
    350,  600,  500,  60,   40,   20,   0,    1,    1,    800,   // 51..60
    1,    0};                                                     // 61..62
} // namespace

EcuMemory EcuMemory::factory() {
    EcuMemory m;
    for (int i = 1; i <= 62; ++i)
        m.factoryWords[i] = kFactoryWords[i - 1];
    for (int j = 1; j <= 64; ++j)
        m.factoryTable[j] = 105;
    m.restoreFactory();
    return m;
}

void EcuMemory::restoreFactory() {
    words = factoryWords;
    table = factoryTable;
}
