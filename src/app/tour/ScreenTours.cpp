#include "ScreenTours.h"

#include "state/ScreenHost.h"

namespace {

struct Entry {
    ScreenId id;
    void (*tour)(Tour&);
};

// One line a screen, in the order of the walk. Form12 has no line: the graphical view shows,
// and pictures, it. clang-format would pack the lines.
// clang-format off
const Entry kTours[] = {
    {ScreenId::Form1, ScreenTours::form1},
    {ScreenId::Form4, ScreenTours::form4},
    {ScreenId::Form2, ScreenTours::form2},
    {ScreenId::Form3, ScreenTours::form3},
    {ScreenId::Form9, ScreenTours::form9},
    {ScreenId::Form17, ScreenTours::form17},
    {ScreenId::Form5, ScreenTours::form5},
    {ScreenId::Form13, ScreenTours::form13},
    {ScreenId::Form6, ScreenTours::form6},
    {ScreenId::Form11, ScreenTours::form11},
    {ScreenId::Form14, ScreenTours::form14},
    {ScreenId::Form16, ScreenTours::form16},
    {ScreenId::Form15, ScreenTours::form15},
    {ScreenId::Form8, ScreenTours::form8},
};
// clang-format on

} // namespace

void addScreenTours(Tour& tour) {
    for (const Entry& e : kTours)
        e.tour(tour);
}
