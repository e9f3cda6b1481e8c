#pragma once

#include <array>

class ParameterSet;

// The two breakpoint rows of KtarTable as the ECU holds them: engine speed across the table
// (column 0 lowest), petrol injection time down it (row 0 shortest).
struct Breakpoints {
    std::array<int, 8> rpm{};
    std::array<int, 8> tinj{};

    static Breakpoints of(const ParameterSet& set);
    bool operator==(const Breakpoints&) const = default;
};
