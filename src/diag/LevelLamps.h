#pragma once

#include "ReserveBlink.h"
#include "base/Rgb.h"

#include <array>

// The gas-level lamps of the live screen: the reserve lamp (Shape2) and the level bars
// Shape8 (lowest) to Shape11. The ECU reports the level as a code whose meaning depends on
// the sender fitted (LevelSenderType 1: three steps, 2: four steps). The reserve of a
// three-step sender blinks, so the lamps carry state from one refresh to the next.
class LevelLamps {
public:
    static constexpr int BarCount = 4;

    struct Lamps {
        Rgb reserve;
        std::array<Rgb, BarCount> bars; // [0] = Shape8 ... [3] = Shape11
        bool operator==(const Lamps&) const = default;
    };

    // How many bars the sender type shows: 3 for the three-step sender (Shape11 and the
    // quarter labels hidden), 4 for any other type.
    static int visibleBars(int senderType);

    LevelLamps();

    // One graphic refresh. A code the sender does not send leaves the lamps as they were.
    const Lamps& update(int levelCode, int senderType);
    const Lamps& lamps() const { return m_lamps; }
    int blinkCounter() const { return m_blink.count(); }

private:
    void show(bool reserveLit, int litBars);

    Lamps m_lamps;
    ReserveBlink m_blink;
};
