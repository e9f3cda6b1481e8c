#include "LiveBars.h"

namespace {

// Background of the lambda bar: red at both ends (too rich, too lean), green in the middle.
constexpr SegmentColours kLambdaBackground{{
    {150, 0, 0},   {150, 10, 0},  {160, 30, 0}, {180, 70, 0},  {200, 110, 0},
    {220, 150, 0}, {100, 130, 0}, {50, 150, 0}, {0, 170, 0},   {0, 190, 0},
    {0, 190, 0},   {0, 170, 0},   {50, 150, 0}, {100, 130, 0}, {220, 150, 0},
    {200, 110, 0}, {180, 70, 0},  {160, 30, 0}, {150, 10, 0},  {150, 0, 0},
}};

} // namespace

SegmentColours pressureBar(int pressure, int step) {
    SegmentColours bar{};
    for (int i = 0; i < BarSegments; ++i)
        bar[i] = pressure >= i * step ? Colours::Yellow : Colours::DarkRed;
    return bar;
}

LambdaScale lambdaScaleFor(int lambdaType) {
    switch (lambdaType) {
    case 0:
        return {5000, 250, false};
    case 1:
        return {5000, 250, true};
    case 3:
        return {1000, 50, true};
    default:
        return {1000, 50, false};
    }
}

int lambdaCursor(int mv, const LambdaScale& scale) {
    const int f = scale.fullScale;
    const int s = scale.step;
    if (!scale.inverted) {
        if (mv >= f) return 0;
        if (mv <= s) return BarSegments - 1;
        // Segments 0..18 cover [F - (i+1)S, F - iS]; on a shared edge the lower index wins.
        for (int i = 0; i < BarSegments - 1; ++i)
            if (f - (i + 1) * s <= mv && mv <= f - i * s) return i;
        return BarSegments - 1;
    }
    if (mv >= f) return BarSegments - 1;
    if (mv <= s) return 0;
    for (int i = 0; i < BarSegments - 1; ++i)
        if (i * s <= mv && mv <= (i + 1) * s) return i;
    // Between 19 steps and full scale no band of 0..18 matches: the reading is at the rich
    // end of an inverted probe, so the cursor belongs on the last segment, not nowhere.
    return BarSegments - 1;
}

LambdaBar lambdaBar(int mv, const LambdaScale& scale) {
    LambdaBar bar{kLambdaBackground, lambdaCursor(mv, scale)};
    bar.colours[bar.cursor] = Colours::Yellow;
    return bar;
}

FuelLamps fuelLamps(int fuelState) {
    if (fuelState == 1) return {Colours::Red, Colours::DarkGreen};
    return {Colours::DarkRed, Colours::Green};
}

NotConnectedLook notConnectedLook() {
    NotConnectedLook look;
    look.pressure1.fill(Colours::DarkRed);
    look.pressure1[0] = look.pressure1[1] = Colours::Yellow;
    look.pressure2 = look.pressure1;
    look.lambda = kLambdaBackground;
    look.lambda[18] = look.lambda[19] = Colours::Yellow;
    look.lamps = {Colours::Yellow, Colours::Yellow};
    return look;
}
