#include "ParameterPage.h"

#include "params/ParameterSet.h"
#include "params/ParameterTable.h"

#include <QSet>
#include <algorithm>
#include <utility>

namespace {

bool applies(const PageRule& rule, const PageValues& values) {
    if (rule.whenChoice.isEmpty()) return true;
    const int selected = values.choices.value(rule.whenChoice, -1);
    return std::find(rule.whenIndexes.begin(), rule.whenIndexes.end(), selected) !=
           rule.whenIndexes.end();
}

bool pairHolds(PageRule::Kind kind, int least, int a, int b) {
    switch (kind) {
    case PageRule::Kind::Window:
        // 0 and 0 leave the window off; any other pair must be at least `least` wide.
        return (a == 0 && b == 0) || b - a >= least;
    case PageRule::Kind::NotBelow:
        return a >= b;
    case PageRule::Kind::NotAbove:
        return a <= b;
    case PageRule::Kind::Different:
        return a != b;
    case PageRule::Kind::Range:
        break;
    }
    return true;
}

bool isOption(const PageChoice& choice, int index) {
    if (choice.isCheckBox()) return index == 0 || index == 1;
    return std::any_of(choice.options.begin(), choice.options.end(),
                       [index](const PageOption& o) { return o.index == index; });
}

QString indexRange(const PageChoice& choice) {
    int low = 0;
    int high = 1;
    if (!choice.isCheckBox()) {
        const auto [lo, hi] = std::minmax_element(
            choice.options.begin(), choice.options.end(),
            [](const PageOption& a, const PageOption& b) { return a.index < b.index; });
        low = lo->index;
        high = hi->index;
    }
    return QStringLiteral(" %1-%2 ").arg(low).arg(high);
}

} // namespace

ParameterPage::ParameterPage(PageLayout layout) : m_layout(std::move(layout)) {}

PageValues ParameterPage::valuesFrom(const ParameterSet& set) const {
    PageValues values;
    for (const PageField& f : m_layout.fields)
        values.texts.insert(f.control, QString::number(set.value(f.parameterId)));
    for (const PageChoice& c : m_layout.choices) {
        const int v = set.value(c.parameterId);
        if (c.isCheckBox())
            values.choices.insert(c.control, v == 1 ? 1 : 0);
        else
            values.choices.insert(c.control, isOption(c, v) ? v : -1);
    }
    return values;
}

QString ParameterPage::label(const QString& fieldControl, const LanguageTable& language) const {
    const PageField* f = field(fieldControl);
    return f ? f->label.in(language) : QString();
}

FieldReport ParameterPage::check(const PageValues& values, const LanguageTable& language) const {
    FieldCheck check(values.texts);
    QSet<QString> judged;
    for (const PageRule& rule : m_layout.checks) {
        if (!applies(rule, values)) continue;
        const QString first = label(rule.first, language);
        if (rule.kind == PageRule::Kind::Range) {
            check.requireRange(rule.first, rule.low, rule.high, first + rule.suffix);
            judged.insert(rule.first);
        } else {
            const QString text = first + rule.infix + label(rule.second, language) + rule.suffix;
            check.requirePair(
                rule.first, rule.second,
                [&rule](int a, int b) { return pairHolds(rule.kind, rule.low, a, b); }, text);
        }
    }
    for (const PageChoice& c : m_layout.choices)
        if (!isOption(c, values.choices.value(c.control, -1)))
            check.reject({c.control}, c.caption.in(language) + indexRange(c));
    for (const int id : m_layout.writeOrder) {
        const PageField* f = fieldFor(id);
        if (!f || judged.contains(f->control)) continue;
        const ParameterInfo* p = ParameterTable::find(id);
        const int low = p ? p->minValue : 0;
        const int high = p ? p->maxValue : 32767;
        check.requireRange(f->control, low, high,
                           f->label.in(language) + QStringLiteral(" %1-%2 ").arg(low).arg(high));
    }
    return check.report();
}

PreparedWrite ParameterPage::prepareWrite(const PageValues& values,
                                          const LanguageTable& language) const {
    PreparedWrite result;
    result.report = check(values, language);
    if (!result.accepted()) return result;
    for (const int id : m_layout.writeOrder) {
        if (const PageField* f = fieldFor(id)) {
            const std::optional<int> n = FieldCheck::readNumber(values.texts.value(f->control));
            if (!n) { // check() has judged every written box; never write a guess all the same
                result.writes.clear();
                result.report.rejected << f->control;
                return result;
            }
            result.writes.push_back({id, *n, false});
        } else if (const PageChoice* c = choiceFor(id))
            result.writes.push_back({id, values.choices.value(c->control), false});
    }
    return result;
}

const PageField* ParameterPage::field(const QString& control) const {
    for (const PageField& f : m_layout.fields)
        if (f.control == control) return &f;
    return nullptr;
}

const PageField* ParameterPage::fieldFor(int parameterId) const {
    for (const PageField& f : m_layout.fields)
        if (f.parameterId == parameterId) return &f;
    return nullptr;
}

const PageChoice* ParameterPage::choiceFor(int parameterId) const {
    for (const PageChoice& c : m_layout.choices)
        if (c.parameterId == parameterId) return &c;
    return nullptr;
}
