#pragma once

#include <cstdint>
#include <optional>

// One step of the automatic calibration: the gas coefficient that makes the petrol injection
// time on gas match the one on petrol.
struct CoefficientUpdate {
    enum class Outcome {
        Continue,  // moved by more than 1: measure again with the new coefficient
        Converged, // moved by at most 1
        AtMinimum, // computed 100 or less: clamped to 100
        AtMaximum, // computed 150 or more: clamped to 150
    };
    int ktar = 0;
    Outcome outcome = Outcome::Continue;

    bool operator==(const CoefficientUpdate&) const = default;
};

// new = k * avgOnGas / petrolReference, rounded to the nearest integer with halves to the
// even neighbour, then judged against the limits 100 and 150 and against k. nullopt when the
// reference is not positive or an average is negative: nothing sound can be computed.
std::optional<CoefficientUpdate> updateCoefficient(int k, int avgOnGas, int petrolReference);

// num / den rounded to the nearest integer, halves to the even neighbour; den > 0, num >= 0.
std::int64_t roundHalfToEven(std::int64_t num, std::int64_t den);
