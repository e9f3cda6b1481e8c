#include "screens/pages/PageFields.h"

#include "params/ParameterSet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

using Mark = ParameterPageMark;

template <class W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// A locked box looks locked, so read mode is not taken for an editor that ignores keys.
QString boxColour(Mark mark, bool locked) {
    if (mark == Mark::Wrong) return QStringLiteral("rgb(255,0,0)");
    if (mark == Mark::Sent) return QStringLiteral("rgb(0,255,0)");
    return locked ? QStringLiteral("rgb(232,232,232)") : QString();
}

} // namespace

PageFields::PageFields(const PageLayout& layout, QWidget* parent, const LanguageTable& language,
                       const BoxMaker& makeBox, const ChoiceClicked& clicked)
    : m_layout(layout) {
    for (const PageField& f : layout.fields) {
        QLineEdit* b = makeBox(f.control);
        b->setMinimumWidth(80);
        b->setMaximumWidth(90);
        b->setAlignment(Qt::AlignRight);
        auto* label = named(new QLabel(f.label.in(language), parent), f.labelControl);
        label->setBuddy(b);
        b->setAccessibleName(label->text());
        m_boxes.insert(f.control, b);
        m_labels.insert(f.control, label);
        m_units.insert(f.control, named(new QLabel(f.unit.trimmed(), parent),
                                        QStringLiteral("Unit") + f.control));
    }
    for (const PageChoice& c : layout.choices) {
        if (c.isCheckBox()) {
            auto* check = named(new QCheckBox(c.caption.in(language), parent), c.control);
            QObject::connect(check, &QCheckBox::clicked, parent,
                             [clicked, control = c.control](bool on) { clicked(control, on); });
            m_choiceWidgets.insert(c.control, check);
            continue;
        }
        auto* frame =
            named(new QGroupBox(c.caption.in(language).trimmed(), parent), c.frameControl);
        auto* column = new QVBoxLayout(frame);
        auto* group = new QButtonGroup(frame);
        for (const PageOption& o : c.options) {
            auto* button = named(new QRadioButton(o.caption.in(language).trimmed(), frame),
                                 QStringLiteral("%1_%2").arg(c.control).arg(o.index));
            group->addButton(button, o.index);
            column->addWidget(button);
        }
        QObject::connect(group, &QButtonGroup::idClicked, parent,
                         [clicked, control = c.control](int index) { clicked(control, index); });
        m_groups.insert(c.control, group);
        m_choiceWidgets.insert(c.control, frame);
    }
}

QAbstractButton* PageFields::option(const QString& control, int index) const {
    QButtonGroup* group = m_groups.value(control);
    return group ? group->button(index) : nullptr;
}

QGridLayout* PageFields::rows(const QStringList& controls,
                              const std::vector<std::pair<QString, QLabel*>>& headings) const {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setColumnStretch(0, 1);
    int row = 0;
    for (const QString& control : controls) {
        for (const auto& [before, label] : headings)
            if (before == control) grid->addWidget(label, row++, 0, 1, 3);
        grid->addWidget(m_labels.value(control), row, 0);
        grid->addWidget(m_boxes.value(control), row, 1);
        grid->addWidget(m_units.value(control), row, 2);
        ++row;
    }
    return grid;
}

PageValues PageFields::values() const {
    PageValues v;
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it)
        v.texts.insert(it.key(), it.value()->text());
    for (const PageChoice& c : m_layout.choices) {
        if (c.isCheckBox())
            v.choices.insert(
                c.control,
                qobject_cast<QCheckBox*>(m_choiceWidgets.value(c.control))->isChecked() ? 1 : 0);
        else
            v.choices.insert(c.control, m_groups.value(c.control)->checkedId());
    }
    return v;
}

void PageFields::show(const PageValues& values) {
    for (auto it = values.texts.cbegin(); it != values.texts.cend(); ++it)
        if (QLineEdit* b = m_boxes.value(it.key())) b->setText(it.value());
    for (const PageChoice& c : m_layout.choices) {
        const int v = values.choices.value(c.control, -1);
        if (c.isCheckBox()) {
            qobject_cast<QCheckBox*>(m_choiceWidgets.value(c.control))->setChecked(v == 1);
            continue;
        }
        QButtonGroup* group = m_groups.value(c.control);
        if (QAbstractButton* b = group->button(v)) {
            b->setChecked(true);
        } else {
            // A value no option stands for: none is selected, and "Modifica" says so.
            group->setExclusive(false);
            for (QAbstractButton* b2 : group->buttons())
                b2->setChecked(false);
            group->setExclusive(true);
        }
    }
}

void PageFields::showHeld(const ParameterSet& set) {
    for (const PageChoice& c : m_layout.choices) {
        if (c.isCheckBox()) continue;
        const int held = set.value(c.parameterId);
        QButtonGroup* group = m_groups.value(c.control);
        for (QAbstractButton* b : group->buttons())
            b->setStyleSheet(group->id(b) == held ? QStringLiteral("color: rgb(255,0,0);")
                                                  : QStringLiteral("color: rgb(0,0,255);"));
    }
}

void PageFields::render(const ParameterPageMachine& machine) {
    const bool editing = machine.controls().editing;
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it) {
        const bool locked = !editing || m_alwaysLocked.contains(it.key());
        it.value()->setReadOnly(locked);
        const QString colour = boxColour(machine.mark(it.key()), locked);
        it.value()->setStyleSheet(
            colour.isEmpty()
                ? QString()
                : QStringLiteral("QLineEdit { background-color: %1; color: black; }").arg(colour));
    }
    for (const PageChoice& c : m_layout.choices) {
        QWidget* w = m_choiceWidgets.value(c.control);
        if (c.isCheckBox()) {
            w->setEnabled(editing);
            continue;
        }
        // The buttons, not their frames: a frame's caption stays readable in read mode.
        for (QAbstractButton* b : m_groups.value(c.control)->buttons())
            b->setEnabled(editing);
        w->setStyleSheet(machine.mark(c.control) == Mark::Wrong
                             ? QStringLiteral("QGroupBox { color: rgb(255,0,0); font-weight: "
                                              "bold; }")
                             : QString());
    }
}
