#pragma once

#include "params/FieldCheck.h"
#include "params/PreparedWrite.h"

class LanguageTable;

// What the calibration page holds when the fitter presses MODIFICA.
struct CalibrationInput {
    // Text10, Text25, Text24, Text26 and the grid Text6_0 .. Text6_79 (rpm breakpoints 0..7,
    // injection-time breakpoints 8..15, table cells 16..79, row by row).
    FieldTexts texts;
    // The three correctives set by spinners: their values are written, not their boxes' text.
    int pressureCorrection = 0;    // VScroll4, 0..5
    int temperatureCorrection = 0; // VScroll3, 0..3
    int lambdaMaxVariation = 0;    // VScroll2, 0..8
    // Manual calibration on: every cell is written as the coefficient being tried.
    bool manual = false;
    int manualKgb = 0;
};

// The calibration page's field checks and its writes, on the same rules as the parameter
// pages.
class CalibrationFields {
public:
    static constexpr int GridSize = 80;

    // "Text6_" & element.
    static QString gridControl(int element);

    // Every box in order: the corrective intervals and rpm thresholds, the rpm breakpoints
    // (500 .. 10000, each between the numbers typed beside it), the injection-time
    // breakpoints (500 .. 25000), then each cell (100..150, one text per rejected cell). Then
    // the spinner values and, in manual calibration, the coefficient, so that a value no
    // control should allow can never reach the ECU.
    static FieldReport check(const CalibrationInput& input, const LanguageTable& language);

    // check(), then on success 23 parameters (21, 22, 23, 26, 27, 24, 25, 34..49) and the 64
    // table entries 1..64, in the order the ECU takes them.
    static PreparedWrite prepareWrite(const CalibrationInput& input, const LanguageTable& language);
};
