#pragma once

#include "CalibrationPageMachine.h"

#include <QString>

class LanguageTable;

// Texts of the calibration page and the graphical view that depend on the page's mode, on the
// language or on the connection. Language-file texts fall back to the Italian design text.
namespace CalibrationTexts {

// Command9: the mode the ECU last acknowledged, "TARATURA ATTIVA" (F16_T93) or "TARATURA NON
// ATTIVA" (F16_C09, also before any acknowledgement).
QString command9Caption(const CalibrationPageMachine& page, const LanguageTable& language);
// The page's notice line for its mode; empty for PageNotice::None.
// "Press EXIT again to leave now", under a line that says what the screen waits for.
QString exitAgain(const LanguageTable& language);
QString notice(PageNotice notice, const LanguageTable& language);
// For the main menu, after the page was left without the ECU confirming the end of manual
// calibration.
QString manualMayStillBeOn(const LanguageTable& language);
// Asked before a write in manual calibration, which puts `coefficient` into every cell.
QString manualTableQuestion(int coefficient, const LanguageTable& language);

// Fixed captions of the graphical view by language (1 Italian, 2 English, 3 the third
// language) and connection. Any other language number gets the Italian design texts. The
// third language has no fixed text for the read-out captions, the axis caption and the
// deselect entry: those come from the language file (F15_T80..F15_T83), as an empty deselect
// entry could be neither seen nor clicked.
struct GraphCaptions {
    QString title;
    QString label1;  // over the rpm read-out
    QString label2;  // over the injection-time read-out
    QString label3;  // under the horizontal axis
    QString label4;  // top of the vertical axis
    QString label29; // over the coefficient read-out
    QString label30; // deselect, under the legend
    bool operator==(const GraphCaptions&) const = default;
};
GraphCaptions graphCaptions(int languageIndex, bool connected, const LanguageTable& language);

// The message screen shown when the plot is clicked before a curve is chosen. The third
// language takes it from the language file (F15_T84, F15_T85): an empty message window would
// leave the fitter guessing why the click did nothing.
struct Message {
    QString caption;
    QString text;
    bool operator==(const Message&) const = default;
};
Message selectCurveMessage(int languageIndex, const LanguageTable& language);

} // namespace CalibrationTexts
