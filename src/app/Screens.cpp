#include "Screens.h"

#include "screen/PendingScreen.h"
#include "screens/calib/Form15.h"
#include "screens/calib/Form16.h"
#include "screens/calib/Form8.h"
#include "screens/diag/Form17.h"
#include "screens/diag/Form3.h"
#include "screens/diag/Form9.h"
#include "screens/menu/Form1.h"
#include "screens/menu/Form12.h"
#include "screens/menu/Form2.h"
#include "screens/menu/Form4.h"
#include "screens/pages/Form11.h"
#include "screens/pages/Form13.h"
#include "screens/pages/Form14.h"
#include "screens/pages/Form6.h"
#include "screens/vehicle/Form18.h"
#include "screens/vehicle/Form5.h"

namespace {

struct Entry {
    ScreenId id;
    Screen* (*make)(FormContext&);
};

template <class F> Screen* make(FormContext& context) {
    return new F(context);
}

// One line a screen. clang-format would pack the lines.
// clang-format off
const Entry kScreens[] = {
    {ScreenId::Form1, make<Form1>},
    {ScreenId::Form4, make<Form4>},
    {ScreenId::Form2, make<Form2>},
    {ScreenId::Form3, make<Form3>},
    {ScreenId::Form9, make<Form9>},
    {ScreenId::Form5, make<Form5>},
    {ScreenId::Form18, make<Form18>},
    {ScreenId::Form13, make<Form13>},
    {ScreenId::Form6, make<Form6>},
    {ScreenId::Form11, make<Form11>},
    {ScreenId::Form14, make<Form14>},
    {ScreenId::Form16, make<Form16>},
    {ScreenId::Form15, make<Form15>},
    {ScreenId::Form12, make<Form12>},
    {ScreenId::Form8, make<Form8>},
    {ScreenId::Form17, make<Form17>},
};
// clang-format on

} // namespace

Screen* makeScreen(ScreenId id, FormContext& context) {
    for (const Entry& e : kScreens)
        if (e.id == id) return e.make(context);
    return new PendingScreen(id, context);
}
