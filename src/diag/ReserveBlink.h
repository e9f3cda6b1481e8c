#pragma once

// The reserve lamp of a three-step level indicator blinks, as the car's own indicator does:
// over six refreshes it is dim for two, then bright for four. Any reading above the reserve
// restarts the cycle, so the next reserve always opens dim. Shared by the live screen (which
// lights from the ECU's level code) and the level page (which lights from the sender reading).
class ReserveBlink {
public:
    static constexpr int Period = 6;
    static constexpr int BrightFrom = 3;

    // One refresh in the reserve: true when the lamp is bright.
    bool step() {
        ++m_count;
        const bool bright = m_count >= BrightFrom;
        if (m_count >= Period) m_count = 0;
        return bright;
    }
    void restart() { m_count = 0; }
    int count() const { return m_count; }

private:
    int m_count = 0;
};
