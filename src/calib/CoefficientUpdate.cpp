#include "CoefficientUpdate.h"

#include "params/ParameterId.h"

std::int64_t roundHalfToEven(std::int64_t num, std::int64_t den) {
    const std::int64_t q = num / den;
    const std::int64_t twiceRest = 2 * (num % den);
    if (twiceRest > den || (twiceRest == den && q % 2 != 0)) return q + 1;
    return q;
}

std::optional<CoefficientUpdate> updateCoefficient(int k, int avgOnGas, int petrolReference) {
    if (petrolReference <= 0 || avgOnGas < 0 || k < 0) return std::nullopt;
    const std::int64_t computed =
        roundHalfToEven(std::int64_t(k) * avgOnGas, std::int64_t(petrolReference));
    // The limits themselves count as reached: a coefficient pinned at a limit says the
    // injectors or the pressure are wrong for this car, not that the run found the answer.
    if (computed <= TableMin)
        return CoefficientUpdate{TableMin, CoefficientUpdate::Outcome::AtMinimum};
    if (computed >= TableMax)
        return CoefficientUpdate{TableMax, CoefficientUpdate::Outcome::AtMaximum};
    const int next = static_cast<int>(computed);
    const bool settled = next >= k - 1 && next <= k + 1;
    return CoefficientUpdate{next, settled ? CoefficientUpdate::Outcome::Converged
                                           : CoefficientUpdate::Outcome::Continue};
}
