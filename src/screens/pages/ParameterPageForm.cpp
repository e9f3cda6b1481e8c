#include "screens/pages/ParameterPageForm.h"

#include "link/Commands.h"
#include "link/RequestPlan.h"
#include "link/WriteReport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

using Outcome = ExchangeCycle::Outcome;

const QString kRedBox = QStringLiteral("rgb(255,0,0)");
const QString kGreenBox = QStringLiteral("rgb(0,255,0)");
// A locked box looks locked, so read mode is not taken for an editor that ignores keys.
const QString kLockedBox = QStringLiteral("rgb(232,232,232)");
// The option the ECU holds is red, the others blue.
const QString kHeldOption = QStringLiteral("color: rgb(255,0,0);");
const QString kOtherOption = QStringLiteral("color: rgb(0,0,255);");

const RequestPlan& plan() {
    return RequestPlan::parameterPage();
}

} // namespace

ParameterPageForm::ParameterPageForm(ScreenId id, FormContext& context, PageLayout layout)
    : FormBase(id, context), m_page(std::move(layout)) {
    buildControls();
    setupExchange();
}

void ParameterPageForm::buildControls() {
    const PageLayout& p = m_page.layout();
    for (const PageField& f : p.fields) {
        QLineEdit* b = digitField(f.control);
        b->setMinimumWidth(80);
        b->setMaximumWidth(90);
        b->setAlignment(Qt::AlignRight);
        auto* label = named(new QLabel(f.label.in(g.language), this), f.labelControl);
        label->setBuddy(b);
        b->setAccessibleName(label->text());
        m_boxes.insert(f.control, b);
        m_labels.insert(f.control, label);
        m_units.insert(f.control, named(new QLabel(f.unit.trimmed(), this),
                                        QStringLiteral("Unit") + f.control));
    }
    for (const PageChoice& c : p.choices) {
        if (c.isCheckBox()) {
            auto* check = named(new QCheckBox(c.caption.in(g.language), this), c.control);
            connect(check, &QCheckBox::clicked, this,
                    [this, control = c.control](bool on) { choiceClicked(control, on ? 1 : 0); });
            m_choiceWidgets.insert(c.control, check);
            continue;
        }
        auto* frame =
            named(new QGroupBox(c.caption.in(g.language).trimmed(), this), c.frameControl);
        auto* column = new QVBoxLayout(frame);
        auto* group = new QButtonGroup(frame);
        for (const PageOption& o : c.options) {
            auto* button = named(new QRadioButton(o.caption.in(g.language).trimmed(), frame),
                                 QStringLiteral("%1_%2").arg(c.control).arg(o.index));
            group->addButton(button, o.index);
            column->addWidget(button);
        }
        connect(group, &QButtonGroup::idClicked, this,
                [this, control = c.control](int index) { choiceClicked(control, index); });
        m_groups.insert(c.control, group);
        m_choiceWidgets.insert(c.control, frame);
    }

    m_readMode = named(new QRadioButton(lang("F06_O30", QStringLiteral("Modalità lettura")), this),
                       p.readMode);
    m_writeMode = named(
        new QRadioButton(lang("F06_O40", QStringLiteral("Modalità scrittura")), this), p.writeMode);
    // The mode pair is one group of its own, apart from the parameter groups.
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_readMode);
    modes->addButton(m_writeMode);
    connect(m_readMode, &QRadioButton::clicked, this, [this] { setMode(false); });
    connect(m_writeMode, &QRadioButton::clicked, this, [this] { setMode(true); });

    Command2 = named(new QPushButton(lang("F06_C02", QStringLiteral("Modifica")), this),
                     QStringLiteral("Command2"));
    Command1 = named(new QPushButton(lang("F01_C02", QStringLiteral("EXIT")), this),
                     QStringLiteral("Command1"));
    for (QPushButton* b : {Command2, Command1})
        b->setMinimumSize(110, 36);
    connect(Command2, &QPushButton::clicked, this, &ParameterPageForm::modifica);
    connect(Command1, &QPushButton::clicked, this, &ParameterPageForm::onCloseRequested);

    m_message = named(new QLabel(this), p.messageLine);
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_message->setMinimumHeight(40);
    m_message->hide();
}

QLabel* ParameterPageForm::heading(const QString& name, const char* key, const QString& design) {
    auto* label = named(new QLabel(lang(key, design), this), name);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: rgb(0,50,140);"));
    return label;
}

QGridLayout*
ParameterPageForm::fieldRows(const QStringList& controls,
                             const std::vector<std::pair<QString, QLabel*>>& headings) {
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

QAbstractButton* ParameterPageForm::option(const QString& control, int index) const {
    QButtonGroup* group = m_groups.value(control);
    return group ? group->button(index) : nullptr;
}

void ParameterPageForm::arrange(QLayout* body) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(18, 14, 18, 14);
    root->addLayout(body);
    root->addSpacing(8);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(m_readMode);
    modeRow->addSpacing(16);
    modeRow->addWidget(m_writeMode);
    modeRow->addStretch();
    modeRow->addWidget(Command2);
    modeRow->addWidget(Command1);
    root->addLayout(modeRow);
    root->addWidget(m_message);
    root->addStretch();
    load();
    adjustSize();
}

void ParameterPageForm::setupExchange() {
    ExchangeCycle& c = cycle();
    c.timer().setObjectName(QStringLiteral("Timer1"));
    c.on(Commands::Version, [this](const QByteArray& reply) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return Outcome::Rejected;
        g.EcuVersion = *version;
        // The ECU is back: a write carries on at the slot it was repeating.
        return m_writes.isRunning() ? Outcome::Next : whenIdleAndFound();
    });
    ExchangeCycle::LostLink lost;
    lost.notify = [this] { tellLost(lostText()); };
    lost.found = [this] {
        if (m_writes.isRunning())
            showMessage(WriteReport::progress(m_writes, g.language), Tone::Progress);
        else
            hideMessage();
    };
    c.setLostLink(lost);
    c.setDeviceLost([this](const QString& why) { tellLost(why); },
                    [this] {
                        if (!openLink()) return false;
                        hideMessage();
                        return true;
                    });
}

void ParameterPageForm::tellLost(const QString& text) {
    showMessage(text, Tone::Problem);
    linkLost();
}

QString ParameterPageForm::lostText() const {
    QString text = lostLinkNotice(lang("F05_T80", QStringLiteral("PERSA COMUNICAZIONE")));
    if (m_writes.isRunning())
        text += QStringLiteral(" - ") + WriteReport::progress(m_writes, g.language);
    return text;
}

void ParameterPageForm::load() {
    showValues(m_page.valuesFrom(g.parameters));
    paintChoices();
    setMode(false);
}

PageValues ParameterPageForm::shownValues() const {
    PageValues v;
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it)
        v.texts.insert(it.key(), it.value()->text());
    for (const PageChoice& c : m_page.layout().choices) {
        if (c.isCheckBox())
            v.choices.insert(
                c.control,
                qobject_cast<QCheckBox*>(m_choiceWidgets.value(c.control))->isChecked() ? 1 : 0);
        else
            v.choices.insert(c.control, m_groups.value(c.control)->checkedId());
    }
    return v;
}

void ParameterPageForm::showValues(const PageValues& values) {
    for (auto it = values.texts.cbegin(); it != values.texts.cend(); ++it)
        if (QLineEdit* b = m_boxes.value(it.key())) b->setText(it.value());
    for (const PageChoice& c : m_page.layout().choices) {
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

void ParameterPageForm::paintChoices() {
    for (const PageChoice& c : m_page.layout().choices) {
        if (c.isCheckBox()) continue;
        const int held = g.parameters.value(c.parameterId);
        for (QAbstractButton* b : m_groups.value(c.control)->buttons())
            b->setStyleSheet(m_groups.value(c.control)->id(b) == held ? kHeldOption : kOtherOption);
        m_choiceWidgets.value(c.control)->setStyleSheet(QString());
    }
}

void ParameterPageForm::paintBoxes(const QStringList& controls, const QString& colour) {
    for (const QString& control : controls) {
        if (m_boxes.contains(control)) {
            m_boxColour.insert(control, colour);
            restyle(control);
        } else if (QWidget* w = m_choiceWidgets.value(control)) {
            w->setStyleSheet(colour.isEmpty() ? QString()
                                              : QStringLiteral("QGroupBox { color: rgb(255,0,0); "
                                                               "font-weight: bold; }"));
        }
    }
}

void ParameterPageForm::restyle(const QString& control) {
    QLineEdit* b = m_boxes.value(control);
    QString colour = m_boxColour.value(control);
    if (colour.isEmpty() && b->isReadOnly()) colour = kLockedBox;
    b->setStyleSheet(
        colour.isEmpty()
            ? QString()
            : QStringLiteral("QLineEdit { background-color: %1; color: black; }").arg(colour));
}

void ParameterPageForm::choiceClicked(const QString&, int) {}

void ParameterPageForm::setMode(bool write) {
    if (m_phase == Phase::Writing) return;
    if (!connected()) {
        m_phase = Phase::ViewOnly;
    } else {
        m_phase = write ? Phase::Write : Phase::Read;
    }
    paintBoxes(m_boxes.keys(), QString());
    paintBoxes(m_choiceWidgets.keys(), QString());
    if (!write) {
        // Read mode shows what the ECU holds, dropping whatever was typed or chosen.
        showValues(m_page.valuesFrom(g.parameters));
    }
    hideMessage();
    enableControls();
    modeChanged();
}

void ParameterPageForm::enableControls() {
    const bool editing = m_phase == Phase::Write;
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it) {
        it.value()->setReadOnly(!editing || m_alwaysLocked.contains(it.key()));
        restyle(it.key());
    }
    // The buttons, not their frames: a frame's caption stays readable in read mode.
    for (QButtonGroup* group : m_groups)
        for (QAbstractButton* b : group->buttons())
            b->setEnabled(editing);
    for (const PageChoice& c : m_page.layout().choices)
        if (c.isCheckBox()) m_choiceWidgets.value(c.control)->setEnabled(editing);
    const bool modes = connected() && m_phase != Phase::Writing;
    m_readMode->setEnabled(modes);
    m_writeMode->setEnabled(modes);
    // The pair always shows the mode the page is in, also after a commit chose read mode.
    (editing || m_phase == Phase::Writing ? m_writeMode : m_readMode)->setChecked(true);
    Command2->setEnabled(editing);
}

void ParameterPageForm::modifica() {
    if (m_phase != Phase::Write) return;
    const PreparedWrite prepared = m_page.prepareWrite(shownValues(), g.language);
    paintBoxes(m_boxes.keys(), QString());
    paintBoxes(m_choiceWidgets.keys(), QString());
    if (!prepared.accepted()) {
        paintBoxes(prepared.report.rejected, kRedBox);
        showMessage(prepared.report.message, Tone::Rejected);
        return;
    }
    if (!ensureOpen()) return;
    paintBoxes(m_boxes.keys(), kGreenBox);
    g.link.LinkRetryCount = 0;
    m_writes.start(prepared.writes, WriteSequence::ReadBack::Parameters, plan().writeTiming());
    m_writes.onProgress = [this](int, int) {
        showMessage(WriteReport::progress(m_writes, g.language), Tone::Progress);
    };
    runWrites(m_writes, true, [this] { return writeEnded(); });
    m_phase = Phase::Writing;
    m_exitWhenWritten = false;
    enableControls();
    // The page's own controls too: what they would change now the write would not send.
    modeChanged();
    ctx.dialogs.setBusy(true);
    showMessage(WriteReport::progress(m_writes, g.language), Tone::Progress);
    if (!cycle().isRunning()) cycle().start(plan().intervalOf(Commands::WriteParameter));
}

bool ParameterPageForm::ensureOpen() {
    if (ensureLinkOpen()) return true;
    showMessage(link().errorString(), Tone::Problem);
    return false;
}

ExchangeCycle::Outcome ParameterPageForm::writeEnded() {
    // The set takes what the ECU reports holding, not what was typed.
    settleWrites(m_writes, false);
    ctx.dialogs.setBusy(false);
    m_phase = Phase::Read;
    showValues(m_page.valuesFrom(g.parameters));
    paintChoices();
    paintBoxes(m_boxes.keys(), QString());
    QStringList notKept;
    for (const WriteSequence::Write& w : m_writes.differences())
        for (const PageField& f : m_page.layout().fields)
            if (f.parameterId == w.id) notKept << f.control;
    paintBoxes(notKept, kRedBox);
    committed();
    enableControls();
    modeChanged();
    const bool verified = m_writes.result() == WriteSequence::Result::Verified;
    showMessage(WriteReport::outcome(m_writes, g.language), verified ? Tone::Done : Tone::Problem);
    if (m_exitWhenWritten) {
        leaveFor(ScreenId::Form5);
        return Outcome::HandOver;
    }
    return afterWrite();
}

void ParameterPageForm::showMessage(const QString& text, Tone tone) {
    QString colour;
    switch (tone) {
    case Tone::Rejected:
    case Tone::Problem:
        colour = QStringLiteral("rgb(200,0,0)");
        break;
    case Tone::Progress:
        colour = QStringLiteral("rgb(0,50,140)");
        break;
    case Tone::Done:
        colour = QStringLiteral("rgb(0,120,0)");
        break;
    }
    m_message->setStyleSheet(QStringLiteral("color: %1; font-weight: bold;").arg(colour));
    m_message->setText(text);
    m_message->show();
}

void ParameterPageForm::hideMessage() {
    m_message->clear();
    m_message->hide();
}

void ParameterPageForm::onCloseRequested() {
    QString notice;
    if (holdExitFor(m_writes, notice)) {
        m_exitWhenWritten = true;
        showMessage(lang("F05_T81", QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA")) +
                        QLatin1Char('\n') +
                        lang("F00_T08", QStringLiteral("Premere di nuovo EXIT per uscire subito")),
                    Tone::Progress);
        return;
    }
    // The page is gone: the menu tells what a cut write left in the ECU.
    leaveFor(ScreenId::Form5, notice);
}

void ParameterPageForm::onUnload() {
    ctx.dialogs.setBusy(false);
    if (m_writes.isRunning()) {
        m_writes.interrupt();
        cycle().detach();
    }
}
