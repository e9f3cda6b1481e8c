#pragma once

#include <array>
#include <optional>

class ParameterSet;
struct PageValues;

struct LambdaThresholds {
    int lean;
    int rich;
    bool operator==(const LambdaThresholds&) const = default;
};

// The lambda page's memory of the lean and rich thresholds, one pair per probe type, so that
// trying another type and coming back shows the thresholds the ECU holds again. Lives as long
// as the page.
class LambdaThresholdMemory {
public:
    static constexpr int TypeCount = 4;

    // The page opens: forget every type, then remember the stored type's pair.
    void reset(const ParameterSet& set);
    // The ECU confirmed a write: remember the stored type's pair, keep the others.
    void remember(const ParameterSet& set);

    // Nothing for a type the ECU has not held while the page was open.
    std::optional<LambdaThresholds> thresholdsFor(int type) const;

    // The fitter picks a type: select it and show its thresholds in the lean and rich boxes.
    // A type without memory shows both boxes empty: no pair suits every probe (350 and 600
    // are far outside a 0-5 V probe's working range), and 0 and 0 would leave the correction
    // blind; "Modifica" then asks for them as for any empty box.
    void select(PageValues& values, int type) const;

private:
    std::array<std::optional<LambdaThresholds>, TypeCount> m_pairs{};
};
