#include "LevelLamps.h"

#include <span>

namespace {

constexpr int BlinkingReserveCode = 9;

struct Step {
    int code;
    bool reserveLit;
    int litBars;
};

// The codes each sender sends and what they light; a code not listed leaves the lamps.
constexpr Step kThreeStepSteps[]{
    {0, false, 0}, {5, true, 0}, {11, false, 1}, {12, false, 2}, {10, false, 3}};
constexpr Step kFourStepSteps[]{{0, false, 0},  {5, false, 0},  {9, true, 0},  {13, false, 1},
                                {14, false, 2}, {15, false, 3}, {10, false, 4}};
constexpr std::span<const Step> kThreeStep{kThreeStepSteps};
constexpr std::span<const Step> kFourStep{kFourStepSteps};

} // namespace

int LevelLamps::visibleBars(int senderType) {
    return senderType == 1 ? 3 : 4;
}

LevelLamps::LevelLamps() {
    show(false, 0);
}

void LevelLamps::show(bool reserveLit, int litBars) {
    m_lamps.reserve = reserveLit ? Colours::Red : Colours::DimRed;
    for (int i = 0; i < BarCount; ++i)
        m_lamps.bars[i] = i < litBars ? Colours::Green : Colours::DimGreen;
}

const LevelLamps::Lamps& LevelLamps::update(int code, int senderType) {
    // Three-step sender: 5 is the reserve, 9 the last litres (blinking), 11/12/10 one to
    // three bars. Four-step sender (and any type the ECU may add): 9 is the reserve,
    // 13/14/15/10 one to four bars, 0 and 5 nothing; it never blinks.
    const bool threeStep = senderType == 1;
    if (threeStep && code == BlinkingReserveCode) {
        show(m_blink.step(), 0);
        return m_lamps;
    }
    const auto& steps = threeStep ? kThreeStep : kFourStep;
    for (const Step& step : steps) {
        if (step.code != code) continue;
        show(step.reserveLit, step.litBars);
        // Every steady code of the three-step sender restarts the blink, so the next
        // reserve always opens on dim.
        if (threeStep) m_blink.restart();
        break;
    }
    return m_lamps;
}
