#include "CursorReadout.h"

#include <algorithm>
#include <cmath>
#include <limits>

double readAt(const Series& s, double t, ReadRule rule) {
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    const std::size_t n = std::min(s.t.size(), s.v.size());
    if (n == 0 || std::isnan(t) || t < s.t[0] || t > s.t[n - 1]) return none;
    // The last sample at or before t: with several at the same time, the latest one written.
    const std::size_t after = static_cast<std::size_t>(
        std::upper_bound(s.t.begin(), s.t.begin() + static_cast<std::ptrdiff_t>(n), t) -
        s.t.begin());
    const std::size_t before = after - 1;
    const double v0 = s.v[before];
    if (rule == ReadRule::Step || s.t[before] == t || after == n) return v0;
    const double v1 = s.v[after];
    if (std::isnan(v0) || std::isnan(v1)) return none;
    const double fraction = (t - s.t[before]) / (s.t[after] - s.t[before]);
    return v0 + (v1 - v0) * fraction;
}

double neighbourTime(const Series& s, double t, int direction) {
    const auto times = s.t;
    if (direction > 0) {
        const auto it = std::upper_bound(times.begin(), times.end(), t);
        return it == times.end() ? t : *it;
    }
    if (direction < 0) {
        const auto it = std::lower_bound(times.begin(), times.end(), t);
        return it == times.begin() ? t : *(it - 1);
    }
    return t;
}
