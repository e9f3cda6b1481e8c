#pragma once

#include "base/Rgb.h"

#include <QPoint>
#include <QString>
#include <array>
#include <optional>

class ParameterSet;

// What the graphical calibration view shows, and the maths behind it: six curves, one per rpm
// breakpoint 0..5, each of seven points over the injection-time breakpoints 0..6. Point (c, j),
// c = 0..5, j = 0..6, is the table cell of row j and column c. Positions are in the view's
// pixels at scale 1. The view paints this state and feeds its clicks and blink ticks back.
//
// Curves are numbered 1..6 where the fitter picks them (curve c + 1), 0 meaning none.
class CalibrationGraph {
public:
    static constexpr int CurveCount = 6;
    static constexpr int PointsPerCurve = 7;
    static constexpr int BlinkIntervalMs = 1000;
    static constexpr int HitTolerance = 2; // pixels, on each axis, inclusive

    // Connected: the table and breakpoints as the ParameterSet holds them.
    static CalibrationGraph fromParameters(const ParameterSet& set);
    // Offline: the demonstration curves and breakpoints. They stay in the view: nothing is
    // stored into the ParameterSet (the curves go outside the range the table may hold).
    static CalibrationGraph demonstration();

    // x of point j of every curve: 88, 152, ... 472.
    static int pointX(int point);
    // y of a coefficient: 100 at 368, 200 at 48, 32 pixels per 10, rounded to the nearest pixel.
    static int valueY(int value);
    // Table cell index (0..63) of point (c, j).
    static int cellIndex(int column, int point);
    static Rgb curveColour(int curve); // 1..6; black for other numbers
    static Rgb blinkColour() { return {255, 255, 255}; }

    bool isDemonstration() const { return m_demonstration; }
    int value(int column, int point) const;
    QPoint position(int column, int point) const;
    int rpmBreakpoint(int column) const; // entries 0..5
    int tinjBreakpoint(int point) const; // entries 0..6
    // Legend text of curve column c (Label23..Label28): the rpm number; in English, when it
    // comes from the ECU, followed by " RPM".
    QString legendText(int column, int languageIndex) const;

    // Legend clicks.
    void selectCurve(int curve); // 1..6; other numbers are ignored
    void deselect();
    int selectedCurve() const { return m_selected; }
    // Whether the 1000 ms blink timer should be running.
    bool blinkRunning() const { return m_blinkRunning; }
    // One blink tick; returns whether the timer is armed again. A selected curve turns white on
    // the first tick after it was chosen and back to its colour on the next.
    bool blinkTick();
    // The curve (1..6) painted white at present, 0 for none.
    int whiteCurve() const { return m_white; }
    Rgb paintColour(int curve) const;

    struct PointReadout {
        int rpm = 0;
        int tinj = 0;
        int value = 0;
        bool operator==(const PointReadout&) const = default;
    };
    struct Click {
        bool needsCurve = false; // no curve chosen: show the message screen; the blink stops
        int beeps = 0;           // one for every point within reach, whatever its curve
        std::optional<PointReadout> readout; // a point of the selected curve was hit
    };
    // The mouse pressed at `cursor` (view pixels). Every point is examined; the scan does not
    // stop at the first hit.
    Click click(QPoint cursor);

private:
    std::array<int, CurveCount * PointsPerCurve> m_values{}; // point (c, j) at c * 7 + j
    std::array<int, CurveCount> m_rpm{};
    std::array<int, PointsPerCurve> m_tinj{};
    bool m_demonstration = false;
    int m_selected = 0;
    bool m_blinkPhase = false;
    bool m_blinkRunning = false;
    int m_white = 0;
};
