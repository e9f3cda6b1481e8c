#pragma once

#include "diag/ReserveBlink.h"

#include <QStringList>
#include <cstdint>

class ParameterSet;

// The level sender 1 drives a three-step indicator (reserve, 1/3, 2/3, 3/3); every other
// sender a four-step one (reserve, 1/4 .. 4/4).
enum class LevelLayout { ThreeStep, FourStep };

// The sender readings at which the indicator steps up. For a falling sender (empty reads
// higher than full) they are distances below the empty reading.
struct LevelPoints {
    std::int64_t p0 = 0; // reserve: always 10 % of the span
    std::int64_t p1 = 0;
    std::int64_t p2 = 0;
    std::int64_t p3 = 0;
    bool operator==(const LevelPoints&) const = default;
};

// What the lamps show for one reading. The reserve lamp is Shape1; the step lamps are named
// bottom to top.
struct LevelIndicatorLamps {
    bool reserve = false;       // the reading is in the reserve zone
    bool reserveBright = false; // Shape1 bright red (else dark red)
    QStringList lit;            // the step lamps lit, bottom first; all others dark
};

// The indicator the car shows, so the fitter can set empty and full against the real tank.
class LevelIndicator {
public:
    // Each point rounded to the nearest reading, halves to even, computed exactly.
    static LevelPoints pointsFor(int levelMin, int levelMax, int threshold1, int threshold2,
                                 int threshold3);
    static LevelLayout layoutFor(int levelSenderType);
    // The step lamps of a layout, bottom to top.
    static QStringList stepLamps(LevelLayout layout);
    // The labels, boxes and lamps shown only in that layout (hidden in the other).
    static QStringList layoutControls(LevelLayout layout);

    // Points and layout from the stored set: when the page opens and after a confirmed write
    // (a sender chosen but not yet written does not change the layout). Restarts the blink.
    void configure(const ParameterSet& set);

    LevelLayout layout() const { return m_layout; }
    const LevelPoints& points() const { return m_points; }

    // The lamps for a live reading (mV). In the three-step layout the reserve lamp blinks
    // (ReserveBlink); a reading above reserve restarts it.
    LevelIndicatorLamps show(int levelInput);

private:
    LevelPoints m_points;
    LevelLayout m_layout = LevelLayout::ThreeStep;
    bool m_falling = false;
    std::int64_t m_levelMin = 0;
    ReserveBlink m_blink;
};
