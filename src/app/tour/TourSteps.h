#pragma once

#include "Tour.h"

// Steps that many screens' stops share.

// The main menu shown and holding a valid set: where most stops start from.
Tour::Condition menuReady(const Tour& t);

// Screen `id`, an F, shown and `holds` true of it.
template <class F, class Holds> Tour::Condition showing(const Tour& t, ScreenId id, Holds holds) {
    return [&t, id, holds] {
        const F* s = t.screen<F>(id);
        return s && s->isVisible() && holds(*s);
    };
}

// From the start screen to the main menu, `first` done before (a scenario, a language), and
// the menu ready.
void passToReadyMenu(Tour& t, const Tour::Action& first = nullptr);
// From the main menu back to the start screen, `last` done after EXIT (a scenario, the
// connection switched back).
void passMenuToStart(Tour& t, const Tour::Action& last = nullptr);
// From the main menu, offline, back to the start screen, connected again.
void passOfflineMenuToStart(Tour& t);
// EXIT from screen `id` to the ready main menu, and on to the start screen.
void passScreenToStart(Tour& t, ScreenId id);
// Not connected: screen `id`, opened by the main menu's `menuButton`, pictured as `name`;
// then back to the start screen, connected again.
void offlinePicture(Tour& t, const QString& name, const char* menuButton, ScreenId id);
