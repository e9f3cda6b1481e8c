#pragma once

#include "ParameterId.h"

#include <array>
#include <cstdint>

// The program's copy of the ECU configuration: 62 scalar parameters (ids 1..62) and the
// 8 x 8 correction table KtarTable (entries 1..64, entry = 8 * injection-time row + rpm
// column + 1). Values are in the ECU's own units; out-of-range indexes read 0 and are
// not stored, so a bad id from a file or a frame can never write outside the set.
class ParameterSet {
public:
    std::int32_t value(int id) const;
    void setValue(int id, std::int32_t v);
    std::int32_t ktar(int entry) const;
    void setKtar(int entry, std::int32_t v);

    bool operator==(const ParameterSet&) const = default;

private:
    std::array<std::int32_t, ParameterCount + 1> m_values{};
    std::array<std::int32_t, TableSize + 1> m_table{};
};

// Every scalar to its default and all 64 table entries to 105.
void SetParameterDefaults(ParameterSet& set);
