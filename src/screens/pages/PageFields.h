#pragma once

#include "pages/ParameterPageMachine.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;
class LanguageTable;
class ParameterSet;

// The controls of a PageLayout on a page: each box with its label and unit, each option group
// in its frame, each check box. They show values, give back what the fitter set, and show the
// machine's marks and what it offers.
class PageFields {
public:
    // Makes the text box of a field (the screen's digit field).
    using BoxMaker = std::function<QLineEdit*(const QString& control)>;
    using ChoiceClicked = std::function<void(const QString& control, int index)>;

    PageFields(const PageLayout& layout, QWidget* parent, const LanguageTable& language,
               const BoxMaker& makeBox, const ChoiceClicked& clicked);

    QLineEdit* box(const QString& control) const { return m_boxes.value(control); }
    QLabel* labelOf(const QString& control) const { return m_labels.value(control); }
    QLabel* unitOf(const QString& control) const { return m_units.value(control); }
    // The frame of an option group, or a check box.
    QWidget* choice(const QString& control) const { return m_choiceWidgets.value(control); }
    QAbstractButton* option(const QString& control, int index) const;
    // Boxes the fitter never types into (set by other controls of the page).
    void keepLocked(const QString& control) { m_alwaysLocked.insert(control); }

    // Rows of label, box and unit for the given boxes, in order; a heading goes above the
    // box it is paired with.
    QGridLayout* rows(const QStringList& controls,
                      const std::vector<std::pair<QString, QLabel*>>& headings) const;

    PageValues values() const;
    void show(const PageValues& values);
    // The option the ECU holds is red, the others blue.
    void showHeld(const ParameterSet& set);
    // What the machine offers and how it marks each box and group.
    void render(const ParameterPageMachine& machine);

private:
    const PageLayout& m_layout;
    QHash<QString, QLineEdit*> m_boxes;
    QHash<QString, QLabel*> m_labels;
    QHash<QString, QLabel*> m_units;
    QHash<QString, QWidget*> m_choiceWidgets;
    QHash<QString, QButtonGroup*> m_groups;
    QSet<QString> m_alwaysLocked;
};
