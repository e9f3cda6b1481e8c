#pragma once

#include "lang/LanguageTable.h"

#include <QString>
#include <vector>

// A text a fitter reads on a page: its language key (empty for texts that are never
// translated, such as injector model names) and the Italian design text used when the
// language file has no entry for the key.
struct PageText {
    QString key;
    QString design;

    QString in(const LanguageTable& language) const {
        return key.isEmpty() ? design : language.text(key, design);
    }
};

// A text box bound to one parameter.
struct PageField {
    QString control;      // "Text1"
    int parameterId;      // ParameterId
    QString labelControl; // the label beside it, whose text also names it in messages
    PageText label;
    QString unit; // design text of the unit label; "" when none
};

// One element of an option group; its index is the value written.
struct PageOption {
    int index;
    PageText caption;
};

// An option group or a check box bound to one parameter. Elements of a group are named
// control & "_" & index ("Option4_3").
struct PageChoice {
    QString control;
    int parameterId;
    QString frameControl;            // the frame around the group; "" for a check box
    PageText caption;                // the frame's caption, or the check box's own
    std::vector<PageOption> options; // empty for a check box, which writes 0 or 1

    bool isCheckBox() const { return options.empty(); }
};

// One check of "Modifica", on one box or on a pair of boxes. The failure text is the first
// box's label & suffix for a range, and first label & infix & second label & suffix for a
// pair. A rule with `whenChoice` set applies only while that group's selected index is one of
// `whenIndexes` (the lambda limits depend on the probe type).
struct PageRule {
    enum class Kind {
        Range,     // first within low..high
        Window,    // both 0 (no window), or second - first >= low
        NotBelow,  // first >= second
        NotAbove,  // first <= second
        Different, // first != second
    };
    Kind kind = Kind::Range;
    QString first;
    QString second;
    int low = 0;
    int high = 0;
    QString infix;
    QString suffix;
    QString whenChoice;
    std::vector<int> whenIndexes;

    static PageRule range(const QString& control, int low, int high, const QString& suffix) {
        return {Kind::Range, control, {}, low, high, {}, suffix, {}, {}};
    }
    static PageRule pair(Kind kind, const QString& first, const QString& second,
                         const QString& infix, const QString& suffix = {}, int least = 0) {
        return {kind, first, second, least, 0, infix, suffix, {}, {}};
    }
    PageRule when(const QString& choice, std::vector<int> indexes) const {
        PageRule r = *this;
        r.whenChoice = choice;
        r.whenIndexes = std::move(indexes);
        return r;
    }
};

// Everything that makes one parameter page what it is; the ParameterPage logic is the same
// for all of them.
struct PageLayout {
    QString form;        // "Form13"
    QString readMode;    // the read-mode option, "Option1" on most pages
    QString writeMode;   // the write-mode option
    QString messageLine; // the label that lists rejected fields
    std::vector<PageField> fields;
    std::vector<PageChoice> choices;
    std::vector<PageRule> checks; // in the order their texts appear in the message
    std::vector<int> writeOrder;  // parameter ids, in the order they are sent
};
