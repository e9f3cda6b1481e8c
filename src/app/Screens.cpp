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
#include "diag/Form3.h"
#include "diag/Form9.h"
#include "pages/Form11.h"
#include "pages/Form13.h"
#include "pages/Form14.h"
#include "pages/Form6.h"
#include "vehicle/Form5.h"

namespace {

struct Entry {
    ScreenId id;
    Screen* (*make)(FormContext&);
    void (*tour)(Tour&); // the screen's stops on the tour; may be null
};

template <class F> Screen* make(FormContext& context) {
    return new F(context);
}

// One line a screen, in the order of the tour. clang-format would pack the lines.
// clang-format off
const Entry kScreens[] = {
    {ScreenId::Form1, make<Form1>, Form1::tour},
    {ScreenId::Form4, make<Form4>, Form4::tour},
    {ScreenId::Form2, make<Form2>, Form2::tour},
    {ScreenId::Form3, make<Form3>, Form3::tour},
    {ScreenId::Form9, make<Form9>, Form9::tour},
    {ScreenId::Form5, make<Form5>, Form5::tour},
    {ScreenId::Form13, make<Form13>, Form13::tour},
    {ScreenId::Form6, make<Form6>, Form6::tour},
    {ScreenId::Form11, make<Form11>, Form11::tour},
    {ScreenId::Form14, make<Form14>, Form14::tour},
    {ScreenId::Form16, make<Form16>, Form16::tour},
    {ScreenId::Form15, make<Form15>, Form15::tour},
    {ScreenId::Form12, make<Form12>, nullptr}, // shown, and pictured, by Form15
    {ScreenId::Form8, make<Form8>, Form8::tour},
};
// clang-format on

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
