#include "LiveRing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

double meanOf(const std::array<int, 8>& times, int cylinders) {
    double sum = 0;
    for (int i = 0; i < cylinders; ++i)
        sum += times[static_cast<std::size_t>(i)];
    return sum / cylinders;
}

} // namespace

const char* liveCurveUnit(LiveCurve curve) {
    switch (curve) {
    case LiveCurve::Rpm:
        return "rpm";
    case LiveCurve::Lambda1:
    case LiveCurve::Lambda1Mean:
        return "mV";
    case LiveCurve::Pressure1:
        return "mbar";
    case LiveCurve::Temperature:
        return "\u00b0C";
    default:
        return "";
    }
}

ReadRule liveCurveRule(LiveCurve curve) {
    return curve == LiveCurve::FuelState ? ReadRule::Step : ReadRule::Linear;
}

LiveRing::LiveRing(int capacity) : m_capacity(std::max(1, capacity)) {
    const auto room = static_cast<std::size_t>(2 * m_capacity);
    m_times.resize(room);
    for (auto& v : m_values)
        v.resize(room);
}

void LiveRing::addRecord(qint64 ms, const LiveData& d, int cylinders) {
    const int fitted = std::clamp(cylinders, 1, 8);
    std::array<double, LiveCurveCount> v{};
    v[int(LiveCurve::Rpm)] = d.Rpm;
    v[int(LiveCurve::Lambda1)] = d.Lambda1;
    v[int(LiveCurve::Lambda1Mean)] = d.Lambda1Mean;
    v[int(LiveCurve::Pressure1)] = d.Pressure1;
    v[int(LiveCurve::Temperature)] = d.Temperature;
    v[int(LiveCurve::PetrolTimeMean)] = meanOf(d.PetrolInjTime, fitted);
    v[int(LiveCurve::GasTimeMean)] = meanOf(d.GasInjTime, fitted);
    v[int(LiveCurve::Ktab)] = d.Ktab;
    v[int(LiveCurve::Kcor)] = d.Kcor;
    // The ECU says 1 for petrol; anything else is gas.
    v[int(LiveCurve::FuelState)] = d.FuelState == 1 ? 1 : 0;
    push(ms, v);
}

void LiveRing::addNoRecord(qint64 ms) {
    if (size() > 0 && !receiving()) return;
    std::array<double, LiveCurveCount> gap;
    gap.fill(std::numeric_limits<double>::quiet_NaN());
    push(ms, gap);
}

void LiveRing::clear() {
    m_begin = m_end = 0;
}

bool LiveRing::receiving() const {
    return size() > 0 && !std::isnan(m_values[0][static_cast<std::size_t>(m_end - 1)]);
}

void LiveRing::push(qint64 ms, const std::array<double, LiveCurveCount>& values) {
    double t = double(ms) / 1000.0;
    if (size() > 0) t = std::max(t, m_times[static_cast<std::size_t>(m_end - 1)]);
    if (m_end == 2 * m_capacity) {
        // Keep the newest capacity - 1 samples at the front; this one follows them.
        const qsizetype keep = m_capacity - 1;
        const qsizetype from = m_end - keep;
        auto move = [&](std::vector<double>& a) {
            std::copy(a.begin() + from, a.begin() + m_end, a.begin());
        };
        move(m_times);
        for (auto& v : m_values)
            move(v);
        m_begin = 0;
        m_end = keep;
    }
    const auto at = static_cast<std::size_t>(m_end);
    m_times[at] = t;
    for (int c = 0; c < LiveCurveCount; ++c)
        m_values[static_cast<std::size_t>(c)][at] = values[static_cast<std::size_t>(c)];
    ++m_end;
    if (size() > m_capacity) ++m_begin;
}

std::span<const double> LiveRing::times() const {
    return std::span<const double>(m_times).subspan(static_cast<std::size_t>(m_begin),
                                                    static_cast<std::size_t>(size()));
}

std::span<const double> LiveRing::values(LiveCurve curve) const {
    return std::span<const double>(m_values[static_cast<std::size_t>(curve)])
        .subspan(static_cast<std::size_t>(m_begin), static_cast<std::size_t>(size()));
}
