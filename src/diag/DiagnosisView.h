#pragma once

#include "link/LiveData.h"

#include <QString>
#include <vector>

// Where the diagnosis screen shows each of the 17 words of the diagnosis record (command
// 15), and how. Boxes are the Text1 elements 0..16, each beside the Label1 of that index.
namespace DiagnosisView {

inline constexpr int BoxCount = 17;
// Word 2 is the board temperature, in tenths of a degree.
inline constexpr int BoardTemperatureWord = 2;

// Text1 element that shows word w (0..16), or -1: the "Var debug2" word goes to no box, so
// that box keeps whatever it holds.
int boxOfWord(int word);

struct Box {
    int element; // Text1 element
    QString text;
    bool operator==(const Box&) const = default;
};
// The boxes a record fills, in the order of the words in the reply. Words are plain
// decimal integers, except the board temperature: a signed word in tenths, shown with
// `decimalPoint` and no trailing zero (253 "25.3", 250 "25", 0xFFFB "-0.5").
std::vector<Box> boxes(const DiagnosisRecord& record,
                       const QString& decimalPoint = QStringLiteral("."));

// A tenths value as text: "25.3", "25", "-0.5".
QString tenthsText(int tenths, const QString& decimalPoint = QStringLiteral("."));
// A 16-bit word read as two's complement: 0xFFFB is -5, 0x8000 is -32768.
int signedWord(int word);

} // namespace DiagnosisView
