#include "LambdaThresholdMemory.h"

#include "ParameterPage.h"
#include "params/ParameterSet.h"

namespace {

bool isType(int type) {
    return type >= 0 && type < LambdaThresholdMemory::TypeCount;
}

} // namespace

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

std::optional<LambdaThresholds> LambdaThresholdMemory::thresholdsFor(int type) const {
    return isType(type) ? m_pairs[type] : std::nullopt;
}

void LambdaThresholdMemory::select(PageValues& values, int type) const {
    const std::optional<LambdaThresholds> t = thresholdsFor(type);
    values.choices.insert(QStringLiteral("Option1"), type);
    values.texts.insert(QStringLiteral("Text6"), t ? QString::number(t->lean) : QString());
    values.texts.insert(QStringLiteral("Text5"), t ? QString::number(t->rich) : QString());
}
