#include "screens/pages/ParameterPageForm.h"

#include "link/Commands.h"
#include "link/RequestPlan.h"
#include "screen/StatusLine.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

using Outcome = ExchangeCycle::Outcome;
using Tone = ParameterPageMessage::Tone;

} // namespace

ParameterPageForm::ParameterPageForm(ScreenId id, FormContext& context, PageLayout layout)
    : FormBase(id, context), m_machine(std::move(layout), context.g.language),
      m_fields(
          m_machine.page().layout(), this, context.g.language,
          [this](const QString& control) { return digitField(control); },
          [this](const QString& control, int index) { choiceClicked(control, index); }) {
    buildControls();
    setupExchange();
}

void ParameterPageForm::buildControls() {
    const PageLayout& p = page().layout();
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

    m_message = new StatusLine(p.messageLine, this);
    m_message->setMinimumHeight(40);
}

QLabel* ParameterPageForm::heading(const QString& name, const char* key, const QString& design) {
    auto* label = named(new QLabel(lang(key, design), this), name);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: rgb(0,50,140);"));
    return label;
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
    m_machine.load(connected());
    showStored();
    render();
    modeChanged();
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
        return writes().isRunning() ? Outcome::Next : whenIdleAndFound();
    });
    LinkWatch watch;
    watch.lost = [this](const QString& why) {
        tellLost(why.isEmpty()
                     ? lostLinkNotice(lang("F05_T80", QStringLiteral("PERSA COMUNICAZIONE")))
                     : why);
    };
    watch.found = [this] {
        m_machine.linkFound();
        render();
    };
    watchLink(watch);
}

void ParameterPageForm::tellLost(const QString& text) {
    m_machine.linkLost(text);
    render();
    linkLost();
}

void ParameterPageForm::showStored() {
    showValues(page().valuesFrom(g.parameters));
    m_fields.showHeld(g.parameters);
}

void ParameterPageForm::showValues(const PageValues& values) {
    m_fields.show(values);
}

void ParameterPageForm::render() {
    m_fields.render(m_machine);
    const ParameterPageControls c = m_machine.controls();
    m_readMode->setEnabled(c.modes);
    m_writeMode->setEnabled(c.modes);
    (c.writeModeShown ? m_writeMode : m_readMode)->setChecked(true);
    Command2->setEnabled(c.modifica);
    const ParameterPageMessage& m = m_machine.message();
    if (m.tone == Tone::Hidden)
        m_message->quiet();
    else
        m_message->tell(m.text, m.tone == Tone::Progress ? StatusLine::Tone::Progress
                                : m.tone == Tone::Done   ? StatusLine::Tone::Done
                                                         : StatusLine::Tone::Problem);
}

void ParameterPageForm::choiceClicked(const QString&, int) {}

void ParameterPageForm::setMode(bool write) {
    if (!m_machine.setMode(write)) return;
    // Read mode shows what the ECU holds, dropping whatever was typed or chosen.
    if (!write) showValues(page().valuesFrom(g.parameters));
    render();
    modeChanged();
}

void ParameterPageForm::modifica() {
    const bool prepared = m_machine.modifica(shownValues());
    if (prepared && !ensureOpen()) return;
    if (!prepared) return render();
    m_machine.startWrite();
    VerifiedWrite write;
    write.sameBlock = true;
    write.progress = [this](const QString&) {
        m_machine.writeProgressed();
        render();
    };
    write.ended = [this](bool, const QString&) { return writeEnded(); };
    runVerifiedWrite(m_machine.writes(), write);
    ctx.dialogs.setBusy(true);
    render();
    // The page's own controls too: what they would change now the write would not send.
    modeChanged();
    if (!cycle().isRunning())
        cycle().start(RequestPlan::parameterPage().intervalOf(Commands::WriteParameter));
}

bool ParameterPageForm::ensureOpen() {
    if (ensureLinkOpen()) return true;
    m_machine.portFailed(link().errorString());
    render();
    return false;
}

ExchangeCycle::Outcome ParameterPageForm::writeEnded() {
    // The set has taken what the ECU reports holding, not what was typed.
    ctx.dialogs.setBusy(false);
    const std::optional<QString> leave = m_machine.writeEnded();
    showStored();
    committed();
    render();
    modeChanged();
    if (leave) {
        leaveFor(ScreenId::Form5, *leave);
        return Outcome::HandOver;
    }
    return afterWrite();
}

void ParameterPageForm::onCloseRequested() {
    QString notice;
    if (holdExitFor(m_machine.writes(), notice)) {
        m_machine.exitHeld();
        render();
        return;
    }
    // The page is gone: the menu tells what a cut write left in the ECU.
    leaveFor(ScreenId::Form5, notice);
}

void ParameterPageForm::onUnload() {
    ctx.dialogs.setBusy(false);
    if (writes().isRunning()) cutWrites(m_machine.writes());
}
