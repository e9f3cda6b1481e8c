#include "StabilityRing.h"

#include <algorithm>

StabilityRing::StabilityRing(int size) : m_size(std::clamp(size, 1, MaxSize)) {}

bool StabilityRing::test(int average) {
    // An entry never filled would read as 0 and pass any average of 100 or less: it counts as
    // unstable, so a run always compares a full ring of real measurements.
    if (m_filled == m_size) {
        const auto within = [average](int e) {
            return e >= average - Tolerance && e <= average + Tolerance;
        };
        if (std::all_of(m_entries.begin(), m_entries.begin() + m_size, within)) return true;
    }
    m_entries[static_cast<std::size_t>(m_index)] = average;
    m_index = (m_index + 1) % m_size;
    m_filled = std::min(m_filled + 1, m_size);
    return false;
}

void StabilityRing::clear() {
    m_entries.fill(0);
    m_index = 0;
    m_filled = 0;
}
