#include "DiagnosisView.h"

#include <array>
#include <cstdlib>

namespace DiagnosisView {

namespace {

// Word order of the reply -> Text1 element. The first six words are the valve, sense,
// temperature and voltage readings, which the screen shows below the eight injector boxes.
constexpr std::array<int, BoxCount> kBoxOfWord{10, 12, 13, 11, 8, 9,  0,  1, 2,
                                               3,  4,  5,  6,  7, 14, -1, 16};

} // namespace

int boxOfWord(int word) {
    return word >= 0 && word < BoxCount ? kBoxOfWord[word] : -1;
}

int signedWord(int word) {
    const int w = word & 0xFFFF;
    return w >= 0x8000 ? w - 0x10000 : w;
}

QString tenthsText(int tenths, const QString& decimalPoint) {
    const int whole = std::abs(tenths / 10);
    const int fraction = std::abs(tenths % 10);
    QString text = tenths < 0 ? QStringLiteral("-") : QString();
    text += QString::number(whole);
    if (fraction != 0) text += decimalPoint + QString::number(fraction);
    return text;
}

std::vector<Box> boxes(const DiagnosisRecord& record, const QString& decimalPoint) {
    std::vector<Box> out;
    out.reserve(BoxCount);
    for (int w = 0; w < BoxCount; ++w) {
        const int element = boxOfWord(w);
        if (element < 0) continue;
        out.push_back({element, w == BoardTemperatureWord
                                    ? tenthsText(signedWord(record[w]), decimalPoint)
                                    : QString::number(record[w])});
    }
    return out;
}

} // namespace DiagnosisView
