#include "LevelIndicator.h"

#include "params/ParameterSet.h"

#include <algorithm>

namespace {

// num / den rounded to the nearest integer, halves to even; den > 0.
std::int64_t roundHalfEven(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    std::int64_t r = num % den;
    if (r < 0) { // floor division, so that the remainder is 0..den-1
        q -= 1;
        r += den;
    }
    if (2 * r > den || (2 * r == den && q % 2 != 0)) ++q;
    return q;
}

} // namespace

LevelPoints LevelIndicator::pointsFor(int levelMin, int levelMax, int threshold1, int threshold2,
                                      int threshold3) {
    const std::int64_t span = std::int64_t{levelMax} - levelMin;
    // A rising sender counts from the empty reading; a falling one from zero, because its
    // readings are compared as distances below the empty reading.
    const std::int64_t base = span > 0 ? levelMin : 0;
    const std::int64_t width = span > 0 ? span : -span;
    const auto at = [&](int percent) {
        // Thresholds are percentages; the clamp only keeps a damaged set from overflowing.
        const std::int64_t p = std::clamp<std::int64_t>(percent, -1000000, 1000000);
        return roundHalfEven(base * 100 + width * p, 100);
    };
    return {roundHalfEven(base * 10 + width, 10), at(threshold1), at(threshold2), at(threshold3)};
}

LevelLayout LevelIndicator::layoutFor(int levelSenderType) {
    return levelSenderType == 1 ? LevelLayout::ThreeStep : LevelLayout::FourStep;
}

QStringList LevelIndicator::stepLamps(LevelLayout layout) {
    if (layout == LevelLayout::ThreeStep)
        return {QStringLiteral("Shape2"), QStringLiteral("Shape3"), QStringLiteral("Shape4")};
    return {QStringLiteral("Shape5"), QStringLiteral("Shape2"), QStringLiteral("Shape3"),
            QStringLiteral("Shape4")};
}

QStringList LevelIndicator::layoutControls(LevelLayout layout) {
    if (layout == LevelLayout::ThreeStep)
        return {QStringLiteral("Label3"), QStringLiteral("Label4"), QStringLiteral("Label5")};
    return {QStringLiteral("Shape5"),  QStringLiteral("Label7"),  QStringLiteral("Label8"),
            QStringLiteral("Label10"), QStringLiteral("Label22"), QStringLiteral("Text7"),
            QStringLiteral("Label16")};
}

void LevelIndicator::configure(const ParameterSet& set) {
    const int levelMin = set.value(LevelMin);
    const int levelMax = set.value(LevelMax);
    m_points = pointsFor(levelMin, levelMax, set.value(LevelThreshold1), set.value(LevelThreshold2),
                         set.value(LevelThreshold3));
    m_layout = layoutFor(set.value(LevelSenderType));
    m_falling = levelMax <= levelMin;
    m_levelMin = levelMin;
    m_blink.restart();
}

LevelIndicatorLamps LevelIndicator::show(int levelInput) {
    const std::int64_t v = m_falling ? m_levelMin - levelInput : std::int64_t{levelInput};
    const std::int64_t steps[] = {m_points.p0, m_points.p1, m_points.p2, m_points.p3};
    const QStringList lamps = stepLamps(m_layout);
    // The three-step layout has no 1/4 lamp: its reserve reaches up to P1.
    const int first = m_layout == LevelLayout::ThreeStep ? 1 : 0;

    LevelIndicatorLamps out;
    int lit = 0;
    for (int i = first; i < 4 && v > steps[i]; ++i)
        ++lit;
    out.lit = lamps.mid(0, lit);
    out.reserve = lit == 0;
    if (m_layout == LevelLayout::FourStep) {
        out.reserveBright = out.reserve;
    } else if (out.reserve) {
        out.reserveBright = m_blink.step();
    } else {
        m_blink.restart();
    }
    return out;
}
