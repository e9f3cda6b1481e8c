#include "Screens.h"

#include "Form1.h"
#include "Form12.h"
#include "Form2.h"
#include "Form4.h"
#include "PendingScreen.h"
#include "Tour.h"
#include "calib/Form15.h"
#include "calib/Form16.h"
#include "calib/Form8.h"

namespace {

struct Entry {
    ScreenId id;
    Screen* (*make)(FormContext&);
    void (*tour)(Tour&); // the screen's stops on the tour; may be null
};

template <class F> Screen* make(FormContext& context) {
    return new F(context);
}

const Entry kScreens[] = {
    {ScreenId::Form1, make<Form1>, Form1::tour},
    {ScreenId::Form4, make<Form4>, Form4::tour},
    {ScreenId::Form2, make<Form2>, Form2::tour},
    {ScreenId::Form12, make<Form12>, nullptr}, // shown, and pictured, by Form15
    {ScreenId::Form15, make<Form15>, Form15::tour},
    {ScreenId::Form16, make<Form16>, Form16::tour},
    {ScreenId::Form8, make<Form8>, Form8::tour},
};

} // namespace

Screen* makeScreen(ScreenId id, FormContext& context) {
    for (const Entry& e : kScreens)
        if (e.id == id) return e.make(context);
    return new PendingScreen(id, context);
}

void addScreenTours(Tour& tour) {
    for (const Entry& e : kScreens)
        if (e.tour) e.tour(tour);
}
