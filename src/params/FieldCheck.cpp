#include "params/FieldCheck.h"

#include <utility>

FieldCheck::FieldCheck(FieldTexts texts) : m_texts(std::move(texts)) {}

std::optional<int> FieldCheck::readNumber(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty()) return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        // Checked at every digit, so a long paste can never overflow the sum.
        if (value > 32767) return std::nullopt;
    }
    return value;
}

std::optional<int> FieldCheck::number(const QString& control) const {
    return readNumber(m_texts.value(control));
}

bool FieldCheck::requireRange(const QString& control, int low, int high, const QString& text) {
    const std::optional<int> v = number(control);
    if (v && *v >= low && *v <= high) return true;
    reject({control}, text);
    return false;
}

bool FieldCheck::requirePair(const QString& first, const QString& second,
                             const std::function<bool(int, int)>& holds, const QString& text) {
    const std::optional<int> a = number(first);
    const std::optional<int> b = number(second);
    if (!a || !b || holds(*a, *b)) return true;
    reject({first, second}, text);
    return false;
}

void FieldCheck::requireBreakpointRow(const QStringList& controls, int low, int high,
                                      const QString& prefix) {
    const qsizetype n = controls.size();
    for (qsizetype i = 0; i < n; ++i) {
        const int lower = i == 0 ? low : number(controls[i - 1]).value_or(low);
        const int upper = i == n - 1 ? high : number(controls[i + 1]).value_or(high);
        const std::optional<int> v = number(controls[i]);
        if (!v || *v < lower || *v > upper)
            reject({controls[i]},
                   prefix + QString::number(lower) + QLatin1Char('-') + QString::number(upper));
    }
}

void FieldCheck::reject(const QStringList& controls, const QString& text) {
    m_report.message += text;
    for (const QString& c : controls)
        if (!m_report.rejected.contains(c)) m_report.rejected << c;
}
