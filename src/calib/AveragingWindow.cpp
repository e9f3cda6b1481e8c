#include "AveragingWindow.h"

std::optional<int> AveragingWindow::add(int petrolTinj, int rpm) {
    if (rpm <= 0 || petrolTinj <= 0) {
        restart();
        return std::nullopt;
    }
    m_slots[static_cast<std::size_t>(m_fill)] = petrolTinj;
    if (m_fill < Summed) {
        ++m_fill;
        return std::nullopt;
    }
    long long sum = 0;
    for (int i = 1; i <= Summed; ++i)
        sum += m_slots[static_cast<std::size_t>(i)];
    m_fill = 0;
    return static_cast<int>(sum / Summed);
}
