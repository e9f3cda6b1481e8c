#include "ParameterChecks.h"

#include "ParameterSet.h"
#include "ParameterTable.h"
#include "WriteList.h"

#include <functional>
#include <initializer_list>
#include <utility>

namespace {

using Pair = std::pair<int, int>; // (value, id)

// How one check reads values and what it does with a failed rule. `code` is the repair code
// the load check reports for that rule.
struct RuleTarget {
    std::function<int(int id)> read;
    std::function<void(int code, std::initializer_list<Pair> repairs)> repair;
};

bool inRange(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}

// A rule with fixed limits taken from the parameter table.
void fixedRange(const RuleTarget& t, int id) {
    const ParameterInfo* p = ParameterTable::find(id);
    if (!inRange(t.read(id), p->minValue, p->maxValue)) t.repair(id, {{p->defaultValue, id}});
}

// Each breakpoint must sit between its neighbours; the row is fenced by lo and hi.
void breakpointRow(const RuleTarget& t, int firstId, int lo, int hi) {
    for (int i = 0; i < 8; ++i) {
        const int id = firstId + i;
        const int prev = i == 0 ? lo : t.read(id - 1);
        const int next = i == 7 ? hi : t.read(id + 1);
        const int v = t.read(id);
        if (!(prev <= v && v <= next)) t.repair(id, {{ParameterTable::defaultOf(id), id}});
    }
}

void lambdaRules(const RuleTarget& t) {
    const int type = t.read(Lambda1Type);
    if (!inRange(type, 0, 3)) {
        t.repair(Lambda1Type,
                 {{2, Lambda1Type}, {350, Lambda1LeanThreshold}, {600, Lambda1RichThreshold}});
        return;
    }
    const int limit = type <= 1 ? 5000 : 1000;
    if (!inRange(t.read(Lambda1RichThreshold), 0, limit))
        t.repair(Lambda1RichThreshold, {{600, Lambda1RichThreshold}});
    if (!inRange(t.read(Lambda1LeanThreshold), 0, limit))
        t.repair(Lambda1LeanThreshold, {{350, Lambda1LeanThreshold}});

    const int rich = t.read(Lambda1RichThreshold);
    const int lean = t.read(Lambda1LeanThreshold);
    const bool inverted = type == 1 || type == 3;
    if (!inverted && rich < lean)
        t.repair(Lambda1RichThreshold, {{350, Lambda1LeanThreshold}, {600, Lambda1RichThreshold}});
    // An inverted probe needs rich <= lean. The direct defaults (lean 350, rich 600) break that
    // very rule, so they would be repaired again on every upload; use them swapped.
    if (inverted && rich > lean)
        t.repair(Lambda1RichThreshold, {{600, Lambda1LeanThreshold}, {350, Lambda1RichThreshold}});
}

void scalarRules(const RuleTarget& t) {
    fixedRange(t, InjectorCount);
    fixedRange(t, CoilCount);
    lambdaRules(t);
    fixedRange(t, CalibrationPressure);
    fixedRange(t, CalibrationTemperature);
    fixedRange(t, MinTemperature);
    fixedRange(t, MaxTemperature);
    {
        const int min = t.read(MinTemperature);
        const int max = t.read(MaxTemperature);
        if ((max > 0 || min >= 1) && max - min < 5)
            t.repair(MaxTemperature, {{0, MinTemperature}, {0, MaxTemperature}});
    }
    fixedRange(t, SwitchRpm);
    fixedRange(t, SwitchTemperature);
    fixedRange(t, GasToPetrolOverlap);
    fixedRange(t, PetrolToGasOverlap);
    if (!inRange(t.read(LevelThreshold1), 10, t.read(LevelThreshold2)))
        t.repair(LevelThreshold1, {{10, LevelThreshold1}});
    if (!inRange(t.read(LevelThreshold2), t.read(LevelThreshold1), t.read(LevelThreshold3)))
        t.repair(LevelThreshold2, {{30, LevelThreshold2}});
    if (!inRange(t.read(LevelThreshold3), t.read(LevelThreshold2), 100))
        t.repair(LevelThreshold3, {{60, LevelThreshold3}});
    fixedRange(t, LevelMin);
    fixedRange(t, LevelMax);
    if (t.read(LevelMin) == t.read(LevelMax)) t.repair(LevelMin, {{5000, LevelMax}, {0, LevelMin}});
    for (int id : {PressureCorrection, PressureCorrectionInterval, LambdaMaxVariation,
                   TemperatureCorrection, TemperatureCorrectionInterval, LambdaCorrectionRpm,
                   GasInjectorType, EndOfGasPressure, SwitchOnDeceleration, PressureCorrectionRpm,
                   LevelSenderType, PressureSensorType, HotSwitching, GasType})
        fixedRange(t, id);
    breakpointRow(t, RpmBreakpoint1, 500, 10000);
    breakpointRow(t, TinjBreakpoint1, 500, 25000);
}

} // namespace

void CheckUploadedParameters(const ParameterSet& set, WriteList& list) {
    const RuleTarget target{[&set](int id) { return set.value(id); },
                            [&list](int, std::initializer_list<Pair> repairs) {
                                for (const auto& [value, id] : repairs)
                                    list.queue(value, id);
                            }};
    scalarRules(target);

    // Table entries go after every scalar entry, in the order found.
    for (int j = 1; j <= TableSize; ++j) {
        if (!inRange(set.ktar(j), TableMin, TableMax)) {
            const int slot = list.OutOfRangeCount + list.TableOutOfRangeCount - 1;
            if (slot > WriteList::LastSlot) break;
            list.WriteValues[slot] = TableDefault;
            list.WriteIds[slot] = j;
            ++list.TableOutOfRangeCount;
        }
    }
}

void CheckLoadedParameters(WriteList& list, int& loadCorrectionCode) {
    const RuleTarget target{
        [&list](int id) { return list.WriteValues[id]; },
        [&list, &loadCorrectionCode](int code, std::initializer_list<Pair> repairs) {
            for (const auto& [value, id] : repairs)
                list.WriteValues[id] = value;
            loadCorrectionCode = code;
        }};
    scalarRules(target);

    for (int j = 1; j <= TableSize; ++j) {
        std::int32_t& v = list.WriteValues[ParameterCount + j];
        if (!inRange(v, TableMin, TableMax)) {
            v = TableDefault;
            loadCorrectionCode = ParameterCount + 1;
        }
    }
}
