#pragma once

#include <QtGlobal>
#include <cstdint>
#include <set>

// The ways a line to an ECU goes wrong in a workshop, each off by default. Rates are shares
// of replies (0..1) decided by a generator seeded from seed; times are on the ECU's clock.
struct FaultSettings {
    std::uint32_t seed = 1;
    double dropRate = 0;        // replies the ECU never sends
    double splitRate = 0;       // replies that reach the PC in two parts, on two reads
    int splitGapMs = 0;         // how long the second part trails the first
    double badLengthRate = 0;   // replies whose length byte is one too many
    int lateMs = 0;             // a late reply arrives this long after its request...
    double lateRate = 1.0;      // ...for this share of replies
    qint64 silenceAfterMs = -1; // cable pulled at this time (-1: never)...
    qint64 silenceForMs = 0;    // ...and put back after this long
    qint64 vanishAfterMs = -1;  // the port device (USB adapter) disappears at this time...
    qint64 vanishForMs = 0;     // ...and comes back after this long (0: only on plugIn())
    std::set<int> refusedIds{}; // writes acknowledged but not stored (62 + j: table cell j)
    bool outOfRange = false;    // the ECU starts with values the tool must reject
};
