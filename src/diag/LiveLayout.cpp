#include "LiveLayout.h"

#include "LevelLamps.h"
#include "params/ParameterSet.h"

#include <algorithm>

int displayCylinders(int injectorCount) {
    return std::clamp(injectorCount, 1, 8);
}

LiveLayout liveLayout(const ParameterSet& p) {
    LiveLayout layout;
    layout.cylinders = displayCylinders(p.value(InjectorCount));
    layout.lambda = lambdaScaleFor(p.value(Lambda1Type));
    layout.levelBars = LevelLamps::visibleBars(p.value(LevelSenderType));
    layout.showPressure2 = p.value(PressureSensorType) != 0;
    layout.methane = p.value(GasType) != 0;
    return layout;
}
