#pragma once

#include "common/World.h"

#include "screens/menu/Form1.h"
#include "screens/menu/Form2.h"

// Ticks a screen's exchange until `done` holds; false if it never does.
template <class Tick, class Done> bool tickUntil(Tick tick, Done done, int maxTicks = 200) {
    for (int i = 0; i < maxTicks; ++i) {
        if (done()) return true;
        tick();
    }
    return done();
}

// Starts the program and walks it to a ready main menu against the virtual ECU, ticking the
// screens' exchanges by hand.
inline Form2* readyMenu(World& w) {
    w.host.show(ScreenId::Form1);
    w.click(ScreenId::Form1, QStringLiteral("Command1"));
    auto* start = w.screen<Form1>(ScreenId::Form1);
    tickUntil([start] { start->ConnectionCheckTick(); },
              [&w] { return w.host.isVisible(ScreenId::Form2); });
    auto* menu = w.screen<Form2>(ScreenId::Form2);
    if (!menu) return nullptr;
    tickUntil([menu] { menu->Timer1Tick(); },
              [menu] { return menu->phase() != Form2::Phase::Uploading; }, 400);
    return menu;
}
