#pragma once

#include <array>
#include <optional>

// Averages the petrol injection time over consecutive calibration records, 20 at a time.
//
// A window holds 21 readings and sums the last 20: the first reading of a window answers a
// request sent before the window began (a reply is read one exchange after its request), so
// it may still show the fuel or the coefficient of before.
class AveragingWindow {
public:
    static constexpr int Slots = 21;
    static constexpr int Summed = Slots - 1;

    // Takes one reading. Returns the average (rounded down) when this reading completed a
    // window, which then starts over. A reading with the engine stopped (rpm 0) or without
    // petrol injection (a stall or an overrun cut-off) would drag the average down for no
    // reason of the gas: it throws the whole window away.
    std::optional<int> add(int petrolTinj, int rpm);
    void restart() { m_fill = 0; }
    int fill() const { return m_fill; }

private:
    std::array<int, Slots> m_slots{};
    int m_fill = 0;
};
