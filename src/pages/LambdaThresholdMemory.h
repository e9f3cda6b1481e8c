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

    // A type without memory starts from what the ECU would be repaired to: lean 350 and rich
    // 600 for the direct probes (0, 2), swapped for the inverted ones (1, 3). 0 and 0 would be
    // written as they stand and leave the correction blind.
    static LambdaThresholds defaultsFor(int type);

    // The page opens: forget every type, then remember the stored type's pair.
    void reset(const ParameterSet& set);
    // The ECU confirmed a write: remember the stored type's pair, keep the others.
    void remember(const ParameterSet& set);

    LambdaThresholds thresholdsFor(int type) const;

    // The fitter picks a type: select it and show its thresholds in the lean and rich boxes.
    void select(PageValues& values, int type) const;

private:
    std::array<std::optional<LambdaThresholds>, TypeCount> m_pairs{};
};
