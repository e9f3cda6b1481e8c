#pragma once

#include "PageLayout.h"

// The four parameter pages, each described once: boxes, groups, checks and write order.
namespace PageLayouts {
PageLayout otherParameters(); // Form13
PageLayout lambda();          // Form6
PageLayout switching();       // Form11
PageLayout levelIndicator();  // Form14
} // namespace PageLayouts
