#pragma once

#include "PageLayout.h"
#include "params/FieldCheck.h"
#include "params/PreparedWrite.h"

#include <QHash>

class LanguageTable;
class ParameterSet;

// What a page shows or what the fitter has set on it.
struct PageValues {
    FieldTexts texts;            // text box -> its text
    QHash<QString, int> choices; // option group -> selected index (-1: none); check box -> 0/1
};

// The logic every parameter page shares: fill the page from the parameter set, check what was
// typed, and turn it into the writes to send.
class ParameterPage {
public:
    explicit ParameterPage(PageLayout layout);

    const PageLayout& layout() const { return m_layout; }

    // The texts and selections that show the set: each box the decimal value of its parameter,
    // each group the option whose index is the value (-1 when no option has it), each check
    // box 1 when its parameter is 1. Read mode shows this again, dropping what was typed.
    PageValues valuesFrom(const ParameterSet& set) const;

    // The language text of a box's label, as it appears in the message line.
    QString label(const QString& fieldControl, const LanguageTable& language) const;

    // Every rule of the page in check order. Afterwards, a group whose selection is not one of
    // its options is rejected (frame caption & " low-high " over its indexes), and so is a box
    // that is written but no range rule judged (its label & its parameter's widest range), so
    // that nothing unreadable can ever be written.
    FieldReport check(const PageValues& values, const LanguageTable& language) const;

    // check(), then on success the writes in the page's write order: a box's number, a group's
    // selected index, a check box's 0/1.
    PreparedWrite prepareWrite(const PageValues& values, const LanguageTable& language) const;

private:
    const PageField* field(const QString& control) const;
    const PageChoice* choiceFor(int parameterId) const;
    const PageField* fieldFor(int parameterId) const;

    PageLayout m_layout;
};
