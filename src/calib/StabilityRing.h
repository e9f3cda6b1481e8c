#pragma once

#include <array>

// The last few averages of one measurement. A measurement is stable when the current average
// lies within 100 of every one of them; an unstable average takes its place in the ring.
class StabilityRing {
public:
    static constexpr int MaxSize = 5;
    static constexpr int Tolerance = 100;

    // 5 entries on petrol, 3 on gas; clamped to 1..MaxSize.
    explicit StabilityRing(int size);

    // True when every entry has been filled since the last clear and lies within average
    // +/- 100. Otherwise the average is stored at the write index, which moves on.
    bool test(int average);
    void clear();

    int size() const { return m_size; }
    int filled() const { return m_filled; }

private:
    std::array<int, MaxSize> m_entries{};
    int m_size;
    int m_index = 0;
    int m_filled = 0;
};
