#pragma once

#include "base/Rgb.h"

// What the live screen paints in its pressure bars, lambda bar and fuel lamps, worked out
// from the live values alone.

// Millibar per segment: the first pressure bar is scaled 0..3000, the second 0..1500.
inline constexpr int Pressure1Step = 150;
inline constexpr int Pressure2Step = 75;

// Segment i is lit (yellow) when the pressure reaches i * step, dark red otherwise, so a
// pressure of 0 still lights segment 0 and 19 * step lights the whole bar.
SegmentColours pressureBar(int pressure, int step);

// Full scale and step of the lambda bar for a probe type (Lambda1Type): 0 straight 0-5 V,
// 1 inverted 5-0 V, 2 straight 0-1 V, 3 inverted 1-0 V. Any other code reads as type 2,
// the ECU's default probe.
struct LambdaScale {
    int fullScale = 1000; // mV
    int step = 50;        // mV per segment
    bool inverted = false;
    bool operator==(const LambdaScale&) const = default;
};
LambdaScale lambdaScaleFor(int lambdaType);

// Segment the lambda cursor sits on, 0..19. A straight probe puts full scale at segment 0
// and 0 V at segment 19, an inverted probe the reverse, so the same mixture lands at the
// same end of the bar whatever the probe.
int lambdaCursor(int lambdaMv, const LambdaScale& scale);

// The lambda bar: its fixed red-to-green-to-red background with the cursor in yellow.
struct LambdaBar {
    SegmentColours colours{};
    int cursor = 0;
};
LambdaBar lambdaBar(int lambdaMv, const LambdaScale& scale);

// The two fuel lamps side by side: Shape6 (petrol, left) and Shape7 (gas, right). The lamp
// of the fuel in use is bright, the other dark. FuelState 1 means petrol; anything else gas.
struct FuelLamps {
    Rgb petrol;
    Rgb gas;
    bool operator==(const FuelLamps&) const = default;
};
FuelLamps fuelLamps(int fuelState);

// What the live screen shows when it works without a connection: nothing measured, so the
// bars carry the yellow marks that tell a fitter the values are not live (lambda segments
// 18 and 19, pressure segments 0 and 1) and both fuel lamps are yellow.
struct NotConnectedLook {
    SegmentColours pressure1{};
    SegmentColours pressure2{};
    SegmentColours lambda{};
    FuelLamps lamps;
};
NotConnectedLook notConnectedLook();
