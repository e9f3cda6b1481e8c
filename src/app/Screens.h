#pragma once

#include "FormBase.h"

class Tour;

// The screen registry: every screen of the program is listed once in Screens.cpp, with its
// factory and its stops on the tour.

// Makes the screen with the given number; screens this version lacks get a stand-in.
Screen* makeScreen(ScreenId id, FormContext& context);

// The walk through every screen, in the order of the registry.
void addScreenTours(Tour& tour);
