#include "TourSteps.h"

#include "screens/menu/Form2.h"

Tour::Condition menuReady(const Tour& t) {
    return showing<Form2>(t, ScreenId::Form2,
                          [](const Form2& menu) { return menu.phase() == Form2::Phase::Ready; });
}

void passToReadyMenu(Tour& t, const Tour::Action& first) {
    const Tour::Action menu = t.press(ScreenId::Form1, "Command1");
    t.pass(first ? Tour::then(first, menu) : menu, menuReady(t));
}

void passMenuToStart(Tour& t, const Tour::Action& last) {
    const Tour::Action exit = t.press(ScreenId::Form2, "Command1");
    t.pass(last ? Tour::then(exit, last) : exit, t.visible(ScreenId::Form1));
}

void passOfflineMenuToStart(Tour& t) {
    passMenuToStart(t, t.press(ScreenId::Form1, "Command7"));
}

void passScreenToStart(Tour& t, ScreenId id) {
    t.pass(t.press(id, "Command1"), menuReady(t));
    passMenuToStart(t);
}

void offlinePicture(Tour& t, const QString& name, const char* menuButton, ScreenId id) {
    t.pass(Tour::then(t.press(ScreenId::Form1, "Command7"), t.press(ScreenId::Form1, "Command1")),
           t.visible(ScreenId::Form2));
    t.picture(name, t.press(ScreenId::Form2, menuButton), t.visible(id), id);
    t.pass(t.press(id, "Command1"), t.visible(ScreenId::Form2));
    passOfflineMenuToStart(t);
}
