#include "CalibrationGraph.h"

#include "params/ParameterSet.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::array<std::array<int, 7>, 6> DemonstrationCurves{{
    {100, 90, 120, 110, 140, 130, 160},
    {100, 100, 120, 120, 140, 140, 160},
    {100, 110, 120, 130, 140, 150, 160},
    {100, 120, 120, 140, 140, 160, 160},
    {100, 130, 120, 150, 140, 170, 160},
    {100, 140, 120, 160, 140, 180, 160},
}};
constexpr std::array<int, 7> DemonstrationTinj{3000, 5000, 7000, 9000, 11000, 13000, 15000};
constexpr std::array<int, 6> DemonstrationRpm{1000, 2000, 3000, 4000, 5000, 6000};

bool validPoint(int column, int point) {
    return column >= 0 && column < CalibrationGraph::CurveCount && point >= 0 &&
           point < CalibrationGraph::PointsPerCurve;
}

// Within reach on one axis; 64-bit, as a cursor far off the view must not overflow.
bool near(int a, int b) {
    return std::llabs(std::int64_t(a) - b) <= CalibrationGraph::HitTolerance;
}

} // namespace

CalibrationGraph CalibrationGraph::fromParameters(const ParameterSet& set) {
    CalibrationGraph g;
    for (int c = 0; c < CurveCount; ++c) {
        g.m_rpm[c] = set.value(RpmBreakpoint1 + c);
        for (int j = 0; j < PointsPerCurve; ++j)
            g.m_values[c * PointsPerCurve + j] = set.ktar(cellIndex(c, j) + 1);
    }
    for (int j = 0; j < PointsPerCurve; ++j)
        g.m_tinj[j] = set.value(TinjBreakpoint1 + j);
    return g;
}

CalibrationGraph CalibrationGraph::demonstration() {
    CalibrationGraph g;
    g.m_demonstration = true;
    for (int c = 0; c < CurveCount; ++c)
        for (int j = 0; j < PointsPerCurve; ++j)
            g.m_values[c * PointsPerCurve + j] = DemonstrationCurves[c][j];
    g.m_rpm = DemonstrationRpm;
    g.m_tinj = DemonstrationTinj;
    return g;
}

int CalibrationGraph::pointX(int point) {
    return 88 + 64 * point;
}

int CalibrationGraph::valueY(int value) {
    // 3.2 pixels per unit never lands on a half, so rounding to nearest needs no tie rule.
    // 64-bit and clamped to 16 bits: a cell value far out of range must not overflow.
    const std::int64_t tenths = (std::int64_t(value) - 100) * 32;
    const std::int64_t offset = tenths >= 0 ? (tenths + 5) / 10 : -((-tenths + 5) / 10);
    return int(std::clamp<std::int64_t>(368 - offset, -32768, 32767));
}

int CalibrationGraph::cellIndex(int column, int point) {
    return 8 * point + column;
}

Rgb CalibrationGraph::curveColour(int curve) {
    switch (curve) {
    case 1:
        return {255, 0, 0};
    case 2:
        return {0, 255, 0};
    case 3:
        return {255, 255, 0};
    case 5:
        return {0, 0, 255};
    case 6:
        return {255, 0, 255};
    default:
        return {0, 0, 0};
    }
}

int CalibrationGraph::value(int column, int point) const {
    return validPoint(column, point) ? m_values[column * PointsPerCurve + point] : 0;
}

QPoint CalibrationGraph::position(int column, int point) const {
    return {pointX(point), valueY(value(column, point))};
}

int CalibrationGraph::rpmBreakpoint(int column) const {
    return column >= 0 && column < CurveCount ? m_rpm[column] : 0;
}

int CalibrationGraph::tinjBreakpoint(int point) const {
    return point >= 0 && point < PointsPerCurve ? m_tinj[point] : 0;
}

QString CalibrationGraph::legendText(int column, int languageIndex) const {
    QString text = QString::number(rpmBreakpoint(column));
    if (languageIndex == 2 && !m_demonstration) text += QStringLiteral(" RPM");
    return text;
}

void CalibrationGraph::selectCurve(int curve) {
    if (curve < 1 || curve > CurveCount) return;
    m_blinkPhase = false;
    m_selected = curve;
    m_blinkRunning = true;
}

void CalibrationGraph::deselect() {
    // The running timer's next tick paints every curve in colour and stops.
    m_selected = 0;
}

bool CalibrationGraph::blinkTick() {
    m_white = m_selected != 0 && !m_blinkPhase ? m_selected : 0;
    m_blinkPhase = !m_blinkPhase;
    m_blinkRunning = m_selected != 0;
    return m_blinkRunning;
}

Rgb CalibrationGraph::paintColour(int curve) const {
    return curve != 0 && curve == m_white ? blinkColour() : curveColour(curve);
}

CalibrationGraph::Click CalibrationGraph::click(QPoint cursor) {
    Click result;
    if (m_selected == 0) {
        // The timer stops here; a curve left white by a deselection within the second would
        // stay white for good, so every curve goes back to its colour.
        result.needsCurve = true;
        m_blinkRunning = false;
        m_white = 0;
        return result;
    }
    for (int c = 0; c < CurveCount; ++c) {
        for (int j = 0; j < PointsPerCurve; ++j) {
            const QPoint p = position(c, j);
            if (!near(cursor.x(), p.x()) || !near(cursor.y(), p.y())) continue;
            ++result.beeps;
            if (c + 1 == m_selected)
                result.readout = PointReadout{rpmBreakpoint(c), tinjBreakpoint(j), value(c, j)};
        }
    }
    return result;
}
