#include "Breakpoints.h"

#include "params/ParameterSet.h"

Breakpoints Breakpoints::of(const ParameterSet& set) {
    Breakpoints b;
    for (int i = 0; i < 8; ++i) {
        b.rpm[i] = set.value(RpmBreakpoint1 + i);
        b.tinj[i] = set.value(TinjBreakpoint1 + i);
    }
    return b;
}
