#include "LambdaThresholdMemory.h"

#include "ParameterPage.h"
#include "params/ParameterSet.h"

namespace {

bool isType(int type) {
    return type >= 0 && type < LambdaThresholdMemory::TypeCount;
}

} // namespace

LambdaThresholds LambdaThresholdMemory::defaultsFor(int type) {
    const bool inverted = type == 1 || type == 3;
    return inverted ? LambdaThresholds{600, 350} : LambdaThresholds{350, 600};
}

void LambdaThresholdMemory::reset(const ParameterSet& set) {
    m_pairs.fill(std::nullopt);
    remember(set);
}

void LambdaThresholdMemory::remember(const ParameterSet& set) {
    const int type = set.value(Lambda1Type);
    if (isType(type))
        m_pairs[type] =
            LambdaThresholds{set.value(Lambda1LeanThreshold), set.value(Lambda1RichThreshold)};
}

LambdaThresholds LambdaThresholdMemory::thresholdsFor(int type) const {
    if (isType(type) && m_pairs[type]) return *m_pairs[type];
    return defaultsFor(type);
}

void LambdaThresholdMemory::select(PageValues& values, int type) const {
    const LambdaThresholds t = thresholdsFor(type);
    values.choices.insert(QStringLiteral("Option1"), type);
    values.texts.insert(QStringLiteral("Text6"), QString::number(t.lean));
    values.texts.insert(QStringLiteral("Text5"), QString::number(t.rich));
}
