#include "AxisTicks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// No axis carries more labels than this, whatever the arithmetic says.
constexpr int MaxTicks = 1000;

// The smallest of 1, 2, 5 times a power of ten that is at least x (x > 0).
double niceAtLeast(double x) {
    const double decade = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * decade >= x * (1 - 1e-12)) return m * decade;
    return 10 * decade;
}

int decimalsFor(double step) {
    if (!(step > 0) || step >= 1) return 0;
    return std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 9);
}

// The multiples of step from the first at or above low up to high.
std::vector<double> multiples(double low, double high, double step) {
    std::vector<double> at;
    const double k0 = std::ceil(low / step - 1e-9);
    if (!std::isfinite(k0)) return at;
    for (int k = 0; k < MaxTicks; ++k) {
        const double v = (k0 + k) * step;
        if (v > high + step * 1e-9) break;
        // A step below the precision of the values adds nothing: one tick then.
        if (!at.empty() && v <= at.back()) break;
        at.push_back(v);
    }
    return at;
}

} // namespace

TimeTicks timeTicks(TimeRange range, int widthPx, int minSpacingPx) {
    TimeTicks ticks;
    const double span = range.end - range.begin;
    if (widthPx < 1 || !std::isfinite(range.begin) || !std::isfinite(span) || !(span > 0))
        return ticks;
    const double least = span * std::max(1, minSpacingPx) / widthPx;
    static constexpr std::array<double, 17> kClock{
        1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
    if (least < 1) {
        ticks.step = niceAtLeast(least);
    } else if (least <= kClock.back()) {
        ticks.step = *std::lower_bound(kClock.begin(), kClock.end(), least);
    } else {
        ticks.step = 86400 * niceAtLeast(least / 86400);
    }
    const double reach = std::max(std::abs(range.begin), std::abs(range.end));
    ticks.style = reach > 3600 ? TimeStyle::Hours
                  : reach > 60 ? TimeStyle::Minutes
                               : TimeStyle::Seconds;
    ticks.decimals = decimalsFor(ticks.step);
    ticks.at = multiples(range.begin, range.end, ticks.step);
    return ticks;
}

QString timeText(double seconds, TimeStyle style, int decimals) {
    if (!std::isfinite(seconds)) return QString();
    decimals = std::clamp(decimals, 0, 9);
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(std::abs(seconds) * scale) / scale;
    // Beyond a thousand years of log the clock form means nothing; so does the sign of zero.
    if (rounded >= 3.2e10) return QString::number(seconds, 'g', 6);
    const QString sign = seconds < 0 && rounded > 0 ? QStringLiteral("-") : QString();
    if (style == TimeStyle::Seconds) return sign + QString::number(rounded, 'f', decimals);
    const auto whole = static_cast<qint64>(std::floor(rounded));
    const double secs = rounded - double(whole - whole % 60);
    QString s = QString::number(secs, 'f', decimals);
    if (secs < 10) s.prepend(QLatin1Char('0'));
    const qint64 minutes = whole / 60;
    if (style == TimeStyle::Minutes) return sign + QString::number(minutes) + QLatin1Char(':') + s;
    return sign + QString::number(minutes / 60) + QLatin1Char(':') +
           QStringLiteral("%1").arg(minutes % 60, 2, 10, QLatin1Char('0')) + QLatin1Char(':') + s;
}

ValueScale valueScale(double low, double high, int maxTicks) {
    if (!std::isfinite(low) || !std::isfinite(high)) return {};
    if (low > high) std::swap(low, high);
    maxTicks = std::max(1, maxTicks);
    // Too narrow to divide (a flat curve, or a band below the values' precision): a band
    // around the value instead.
    const double size = std::max(std::abs(low), std::abs(high));
    if (!(high - low > size * 1e-9) || high - low < 1e-300) {
        const double pad = size > 1e-300 ? size * 0.1 : 1.0;
        low -= pad;
        high += pad;
    }
    // Bounds a whole double range apart cannot be divided: no ticks then.
    if (!std::isfinite(high - low)) return {low, high, 0, 0};
    const double step = niceAtLeast((high - low) / maxTicks);
    ValueScale scale{std::floor(low / step) * step, std::ceil(high / step) * step, step,
                     decimalsFor(step)};
    if (!std::isfinite(scale.low) || !std::isfinite(scale.high)) {
        scale.low = low;
        scale.high = high;
    }
    return scale;
}

std::vector<double> valueTicks(const ValueScale& scale) {
    if (!(scale.step > 0) || !std::isfinite(scale.step)) return {};
    return multiples(scale.low, scale.high, scale.step);
}
