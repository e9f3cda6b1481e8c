#pragma once

#include "FormBase.h"

// Makes the screen with the given number; screens this version lacks get a stand-in.
Screen* makeScreen(ScreenId id, FormContext& context);
