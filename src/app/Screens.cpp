#include "Screens.h"

#include "Form1.h"
#include "Form2.h"
#include "Form4.h"
#include "PendingScreen.h"
#include "Tour.h"
#include "diag/Form3.h"
#include "diag/Form9.h"

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
    {ScreenId::Form1, make<Form1>, Form1::tour}, {ScreenId::Form4, make<Form4>, Form4::tour},
    {ScreenId::Form2, make<Form2>, Form2::tour}, {ScreenId::Form3, make<Form3>, Form3::tour},
    {ScreenId::Form9, make<Form9>, Form9::tour},
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
