#include "Decimation.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

class Decimator {
public:
    Decimator(const Series& s, const MinMaxIndex& index, std::vector<PlotPoint>& out)
        : m_s(s), m_index(index), m_out(out) {}

    // The samples [a, b) of one pixel column.
    void column(std::int64_t a, std::int64_t b) {
        if (a >= b) return;
        const std::int64_t first = m_index.firstFinite(m_s.v, a, b);
        if (first < 0) return penUp();
        if (first > a) penUp();
        const std::int64_t last = m_index.lastFinite(m_s.v, a, b);
        const MinMaxIndex::Extremes e = m_index.extremes(m_s.v, a, b);
        std::array<std::int64_t, 4> picked{first, e.min, e.max, last};
        std::sort(picked.begin(), picked.end());
        std::int64_t previous = -1;
        for (std::int64_t i : picked) {
            if (i == previous) continue;
            m_out.push_back({m_s.t[i], m_s.v[i]});
            previous = i;
        }
        if (last < b - 1) penUp();
    }

private:
    // A NaN point after the last one drawn, once per gap; a gap before anything is drawn
    // needs none.
    void penUp() {
        if (!m_out.empty() && !std::isnan(m_out.back().v))
            m_out.push_back({m_out.back().t, std::nan("")});
    }

    const Series& m_s;
    const MinMaxIndex& m_index;
    std::vector<PlotPoint>& m_out;
};

// The first time at or after `edge` in [from, to), searched outwards from `from`: the next
// column edge lies a few hundred samples on, and a plain binary search over a ten-hour log
// would wander the whole array, missing the cache at every step.
std::int64_t firstAtOrAfter(std::span<const double> t, std::int64_t from, std::int64_t to,
                            double edge) {
    std::int64_t reach = 1;
    while (from + reach < to && t[std::size_t(from + reach)] < edge)
        reach *= 2;
    const auto first = t.begin() + (from + reach / 2);
    const auto last = t.begin() + std::min(from + reach + 1, to);
    return std::lower_bound(first, last, edge) - t.begin();
}

} // namespace

std::vector<PlotPoint> decimate(const Series& s, const MinMaxIndex& index, TimeRange range,
                                int widthPx) {
    std::vector<PlotPoint> out;
    const double span = range.end - range.begin;
    const auto n = static_cast<std::int64_t>(std::min(s.t.size(), s.v.size()));
    if (widthPx < 1 || n == 0 || !std::isfinite(range.begin) || !std::isfinite(span) || !(span > 0))
        return out;
    const auto t = s.t.first(static_cast<std::size_t>(n));
    const std::int64_t firstIn = std::lower_bound(t.begin(), t.end(), range.begin) - t.begin();
    const std::int64_t pastLast = std::upper_bound(t.begin(), t.end(), range.end) - t.begin();
    out.reserve(std::size_t(std::min<std::int64_t>(4LL * widthPx, 2 * (pastLast - firstIn)) + 8));
    auto edge = [&](std::int64_t c) { return range.begin + span * (double(c) / widthPx); };
    Decimator d(s, index, out);
    if (firstIn > 0) d.column(firstIn - 1, firstIn);
    // Only the columns that hold a sample are visited: zoomed in, most hold none.
    for (std::int64_t a = firstIn; a < pastLast;) {
        auto c = std::clamp<std::int64_t>(
            std::int64_t((t[std::size_t(a)] - range.begin) / span * widthPx), 0, widthPx - 1);
        // The division may land a column off where the edges say otherwise.
        while (c + 1 < widthPx && t[std::size_t(a)] >= edge(c + 1))
            ++c;
        while (c > 0 && t[std::size_t(a)] < edge(c))
            --c;
        const std::int64_t b =
            c + 1 < widthPx ? firstAtOrAfter(t, a, pastLast, edge(c + 1)) : pastLast;
        d.column(a, b);
        a = b;
    }
    if (pastLast < n) d.column(pastLast, pastLast + 1);
    return out;
}

std::vector<StepRun> stepRuns(const std::vector<PlotPoint>& points) {
    std::vector<StepRun> runs;
    bool open = false;
    for (const PlotPoint& p : points) {
        if (std::isnan(p.v)) {
            open = false;
            continue;
        }
        if (open && runs.back().value == p.v) {
            runs.back().end = p.t;
            continue;
        }
        // A change: the run before lasts until this point.
        if (open) runs.back().end = p.t;
        runs.push_back({p.t, p.t, p.v});
        open = true;
    }
    return runs;
}
