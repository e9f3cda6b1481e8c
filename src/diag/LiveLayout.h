#pragma once

#include "LiveBars.h"

class ParameterSet;

// What the live screen shows and hides, fixed from the parameter set when it opens.
struct LiveLayout {
    int cylinders = 4;          // Text5 i and i + 8 shown for i < cylinders
    LambdaScale lambda;         // scale of the lambda bar
    int levelBars = 3;          // 3: Shape11 hidden, labels "1/3".."3/3"; 4: "1/4".."4/4"
    bool showPressure2 = false; // Frame11: only with a second pressure sensor
    bool methane = false;       // row label "METANO" (Label5), else "GPL" (Label12)
};
LiveLayout liveLayout(const ParameterSet& parameters);

// The number of cylinder channels a screen shows for an InjectorCount: 1..8, whatever the
// ECU reported, so no screen shows no cylinder or indexes past the eighth.
int displayCylinders(int injectorCount);
