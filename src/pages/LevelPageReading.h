#pragma once

#include "base/Rgb.h"
#include "pages/LevelIndicator.h"

#include <QHash>
#include <QString>

// What the level page shows from the ECU's live sender reading: the indicator's lamps as the
// car lights them, the fuel lamp, and whether the reading may be set as empty or full. A
// reading counts only while it is live: once the link is lost the lamps go dark and nothing
// is set from the last one until the ECU sends another.
class LevelPageReading {
public:
    // A dark lamp is clearly dark: at 0,192,0 against 0,255,0 a fitter could not tell a lit
    // step from an unlit one on a laptop screen in a workshop, nor the reserve's dim red from
    // its bright red.
    static constexpr Rgb StepDark{0, 80, 0};
    static constexpr Rgb ReserveDark{110, 0, 0};
    static constexpr Rgb NoReading{160, 160, 164}; // the fuel lamp without a live reading

    // Fills by lamp: Shape1 the reserve, Shape2..Shape5 the steps, Shape6 the fuel (red on
    // petrol, green on gas).
    using Fills = QHash<QString, Rgb>;

    struct Offered {
        bool bars = false;           // the threshold scroll bars
        bool setFromReading = false; // "Imposta come max" and "Imposta come min"
        bool reading = false;        // the reading's box, greyed when not live
        bool operator==(const Offered&) const = default;
    };

    // The indicator from the stored set: when the page opens and after a confirmed write.
    void configure(const ParameterSet& set) { m_indicator.configure(set); }
    LevelLayout layout() const { return m_indicator.layout(); }
    bool isLive() const { return m_live; }

    // A reading (mV) and the fuel the ECU runs on (1 petrol).
    Fills reading(int levelInput, int fuelState);
    // No reading is live any more (and none has come yet when the page opens).
    Fills lost();
    Offered offered(bool editing) const;

private:
    LevelIndicator m_indicator;
    bool m_live = false;
};
