#pragma once

#include "screen/FormBase.h"

// The screen registry: every screen of the program is listed once in Screens.cpp, with its
// factory. Its stops on the tour are the tour's own (app/tour/ScreenTours.cpp).

// Makes the screen with the given number; screens this version lacks get a stand-in.
Screen* makeScreen(ScreenId id, FormContext& context);
