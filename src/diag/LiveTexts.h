#pragma once

#include "link/LiveData.h"

#include <QString>
#include <array>

class LanguageTable;

// The texts of the live screen's boxes, from the live values. The ECU's own units are shown
// as they come: plain decimal integers, a minus sign where negative, no scaling.
struct LiveTexts {
    QString pressure1;   // Text10
    QString pressure2;   // Text12
    QString lambda1;     // Text3
    QString lambda1Mean; // Text2
    QString temperature; // Text8
    QString levelInput;  // Text4
    QString rpm;         // Text6
    QString ktab;        // Text7
    QString kcor;        // Text9
    // Text5 elements: [i] petrol time of cylinder i + 1, [i + 8] its gas time. Only the
    // first LiveLayout::cylinders pairs are on screen.
    std::array<QString, 16> injection;
};
LiveTexts liveTexts(const LiveData& live);

// The ECU state as the status line names it: the message-table text of the state, then for
// the states that wait on a threshold two blanks and that threshold (SwitchTemperature for
// 4 and 5, SwitchRpm for 7 and 8, SwitchRpm - 200 for 9 and 10, the speed the engine must
// fall below). States from 23 up have no text.
QString ecuStateText(int ecuState, int switchRpm, int switchTemperature,
                     const LanguageTable& language);

// The whole status line (Text1): state text, two blanks, the safety flag, two blanks, the
// cut-off flag. The flags are the ones the live decoder set.
QString statusLine(const LiveData& live, int switchRpm, int switchTemperature,
                   const LanguageTable& language);
