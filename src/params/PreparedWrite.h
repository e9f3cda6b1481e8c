#pragma once

#include "params/FieldCheck.h"
#include "params/WriteList.h"

#include <vector>

// What "Modifica" produces from the typed fields: either the rejection (message line and red
// boxes) and nothing to write, or the writes in the order the ECU must receive them. The page
// never stores into the ParameterSet itself; the read-back after the writes does.
struct PreparedWrite {
    FieldReport report;
    std::vector<WriteList::Entry> writes; // empty whenever the report has a rejection

    bool accepted() const { return report.passed(); }
};
