#include "screens/vehicle/Form5.h"

#include "link/Commands.h"
#include "link/RequestPlan.h"
#include "link/WriteReport.h"
#include "params/ParameterSet.h"
#include "screen/StatusLine.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using Outcome = ExchangeCycle::Outcome;

const QString kCorrected =
    QStringLiteral("Alcuni parametri memorizzati nella tebella selezionata non \r\n"
                   "sono compatibili con la versione sw attuale.\r\n"
                   "Per questi parametri verrà caricato il valore di default\r\n");

const RequestPlan& plan() {
    return RequestPlan::parameterMenu();
}

StatusLine::Tone toneOf(ParameterMenuMachine::Notice notice) {
    switch (ParameterMenuMachine::tone(notice)) {
    case ParameterMenuMachine::Tone::Progress:
        return StatusLine::Tone::Progress;
    case ParameterMenuMachine::Tone::Done:
        return StatusLine::Tone::Done;
    case ParameterMenuMachine::Tone::Problem:
        break;
    }
    return StatusLine::Tone::Problem;
}

} // namespace

Form5::Form5(FormContext& context) : FormBase(ScreenId::Form5, context) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(24, 16, 24, 16);
    // The buttons in their groups, top to bottom: the pages, the work on the ECU's whole
    // configuration, EXIT.
    struct Button {
        QPushButton*& button;
        const char* name;
        const char* key;
        const char* design;
        std::function<void()> clicked;
    };
    const auto group = [this, root](std::initializer_list<Button> buttons) {
        if (root->count() > 0) root->addSpacing(14);
        for (const Button& b : buttons) {
            b.button = named(new QPushButton(lang(b.key, QString::fromUtf8(b.design)), this),
                             QString::fromLatin1(b.name));
            b.button->setMinimumHeight(40);
            QFont f = b.button->font();
            f.setPointSize(12);
            b.button->setFont(f);
            connect(b.button, &QPushButton::clicked, this, b.clicked);
            root->addWidget(b.button);
        }
    };
    group({{Command1, "Command1", "F05_C01", "Parametri LAMBDA",
            [this] { openPage(ScreenId::Form6); }},
           {Command2, "Command2", "F05_C02", "Altri Parametri",
            [this] { openPage(ScreenId::Form13); }},
           {Command3, "Command3", "F05_C03", "Parametri COMMUTAZIONE",
            [this] { openPage(ScreenId::Form11); }},
           {Command4, "Command4", "F05_C04", "Parametri INDICATORE",
            [this] { openPage(ScreenId::Form14); }}});
    group(
        {{Command7, "Command7", "F05_C07", "Valori di default", [this] { restoreDefaults(); }},
         {Command5, "Command5", "F05_C05", "Archivio VETTURE",
          [this] {
              if (m_menu.mayBegin()) m_archive.load();
          }},
         {Command11, "Command11", "F05_C11", "Confronta con archivio",
          [this] {
              if (m_menu.mayBegin()) m_archive.compare();
          }},
         {Command9, "Command9", "F05_C09", "Salva CONFIGURAZIONE VETTURA",
          [this] {
              if (m_menu.mayBegin()) m_archive.save();
          }},
         {Command10, "Command10", "F05_C10", "Rileggi dalla centralina", [this] { readAgain(); }}});
    group({{Command8, "Command8", "F01_C02", "EXIT", [this] { onCloseRequested(); }}});

    Text4 = named(new QPlainTextEdit(lang("F05_T04", kCorrected), this), QStringLiteral("Text4"));
    Text4->setReadOnly(true);
    Text4->setMaximumHeight(76);
    Text4->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: rgb(255,255,200); color: rgb(150,0,0); }"));
    Text4->hide();
    ProgressBar1 = named(new QProgressBar(this), QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    StatusText = new StatusLine(QStringLiteral("StatusText"), this);

    for (QWidget* w : std::initializer_list<QWidget*>{Text4, ProgressBar1, StatusText})
        root->addWidget(w);
    root->addStretch();

    setupExchange();
    setButtons(true);
    resize(440, 620);
}

void Form5::setupExchange() {
    ExchangeCycle& c = cycle();
    c.timer().setObjectName(QStringLiteral("Timer1"));
    c.on(Commands::RestoreDefaults, [this](const QByteArray&) {
        if (!m_menu.restoreAcknowledged()) return Outcome::Rejected;
        // What the ECU restored is its factory configuration: taken as it comes.
        m_upload->start(ParameterUpload::Check::None);
        return Outcome::Next;
    });
    ParameterUploadCycle::Hooks hooks;
    hooks.finished = [this](ParameterUpload::Step step) {
        const bool valid = step == ParameterUpload::Step::Valid;
        return operationEnded(m_menu.uploadEnded(valid),
                              valid ? QString() : m_upload->refusedText(g.language));
    };
    m_upload = std::make_unique<ParameterUploadCycle>(c, plan(), g.parameters, g.writeList,
                                                      g.EcuVersion, std::move(hooks));
    c.on(Commands::Version, [this](const QByteArray& reply) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return Outcome::Rejected;
        g.EcuVersion = *version;
        // The ECU is back: the operation goes on with the request it was repeating.
        return m_menu.idle() ? Outcome::End : Outcome::Next;
    });
    LinkWatch watch;
    watch.lost = [this](const QString& why) { StatusText->tell(why.isEmpty() ? lostText() : why); };
    watch.found = [this] {
        if (phase() == Phase::BulkWrite)
            showProgress();
        else
            StatusText->quiet();
    };
    watchLink(watch);
}

QString Form5::lostText() const {
    QString text = lostLinkNotice(lang("F05_T80", QStringLiteral("PERSA COMUNICAZIONE")));
    if (phase() == Phase::BulkWrite)
        text += QStringLiteral(" - ") + WriteReport::progress(m_writes, g.language);
    return text;
}

void Form5::setButtons(bool enabled) {
    const ParameterMenuMachine::Controls c = m_menu.controls();
    for (QPushButton* b : {Command1, Command2, Command3, Command4})
        b->setEnabled(enabled && c.pages);
    for (QPushButton* b : {Command7, Command5, Command11, Command9, Command10})
        b->setEnabled(enabled && c.ecuWork);
}

void Form5::takeVehicle(const VehicleLoad& loaded) {
    if (m_menu.mayBegin()) m_archive.write(loaded);
}

void Form5::showNotice(const QString& text) {
    StatusText->tell(text);
}

void Form5::showProgress() {
    ProgressBar1->setRange(0, m_writes.total());
    ProgressBar1->setValue(m_writes.acknowledged());
    StatusText->tell(withLoadNote(WriteReport::progress(m_writes, g.language)), Tone::Progress);
}

QString Form5::withLoadNote(const QString& text) const {
    return m_loadNote.isEmpty() ? text : text + QLatin1Char('\n') + m_loadNote;
}

void Form5::openPage(ScreenId page) {
    if (m_menu.controls().pages) leaveFor(page);
}

bool Form5::beginOperation(Phase phase) {
    if (!m_menu.mayBegin()) return false;
    if (!ensureLinkOpen()) {
        StatusText->tell(link().errorString());
        return false;
    }
    m_menu.begin(phase);
    setButtons(true);
    ctx.dialogs.setBusy(true);
    StatusText->quiet();
    return true;
}

ExchangeCycle::Outcome Form5::operationEnded(const ParameterMenuMachine::Action& action,
                                             const QString& detail) {
    // The menu holds the line only while an operation runs.
    cycle().stop();
    closeLink();
    ctx.dialogs.setBusy(false);
    setButtons(true);
    if (action.fromEcu) g.parametersFromEcu = *action.fromEcu;
    QString text =
        detail.isEmpty() ? ParameterMenuMachine::text(action.notice, g.language) : detail;
    StatusText->tell(text, toneOf(action.notice));
    if (!action.leave) return Outcome::End;
    leaveFor(ScreenId::Form2);
    return Outcome::HandOver;
}

void Form5::restoreDefaults() {
    // The ECU replaces the car's whole configuration, its tuned table included: only when the
    // fitter says so.
    if (!m_menu.mayBegin() ||
        !ctx.dialogs.question(this, QString::fromLatin1(Caption),
                              ParameterMenuMachine::restoreQuestion(g.language)) ||
        !beginOperation(Phase::Defaults))
        return;
    cycle().send(plan().request(Commands::RestoreDefaults));
    cycle().start(plan().startDelayOf(Commands::RestoreDefaults));
}

void Form5::readAgain() {
    if (!beginOperation(Phase::Reading)) return;
    // From the first value read the set is neither the old one nor yet the ECU's.
    g.parametersFromEcu = false;
    m_upload->start();
    cycle().start(plan().startDelayOf(Commands::ReadParameters));
}

bool Form5::startBulkWrite(const ParameterSet& configuration, bool corrected) {
    if (!beginOperation(Phase::BulkWrite)) return false;
    Text4->setVisible(corrected);
    WriteList& list = g.writeList;
    list.loadImage(configuration);
    m_writes.start(list.image(), WriteSequence::ReadBack::Both, plan().writeTiming());
    VerifiedWrite how;
    // What the ECU reported holding, read back after the writes: the set never holds a value
    // the ECU did not keep.
    how.sameBlock = how.wholeSet = true;
    how.progress = [this](const QString&) { showProgress(); };
    how.ended = [this](bool verified, const QString& outcome) {
        Text4->hide();
        ProgressBar1->hide();
        const QString text = withLoadNote(outcome);
        m_loadNote.clear();
        return operationEnded(m_menu.bulkWriteEnded(verified), text);
    };
    ProgressBar1->show();
    runVerifiedWrite(m_writes, how);
    cycle().start(plan().startDelayOf(Commands::WriteParameter));
    return true;
}

void Form5::onCloseRequested() {
    QString notice;
    // A restore is no write sequence, but it is not cut in the middle either while the ECU
    // answers, unless the fitter insists.
    const bool waiting = phase() == Phase::Defaults
                             ? !cycle().isLost() && link().isOpen() && exitMayWait()
                             : holdExitFor(runningWrites(), notice);
    const ParameterMenuMachine::Action a = m_menu.exitClicked(waiting);
    if (!a.leave) {
        StatusText->tell(ParameterMenuMachine::text(a.notice, g.language), Tone::Progress);
        return;
    }
    if (a.fromEcu) g.parametersFromEcu = *a.fromEcu;
    if (a.notice != Notice::None) notice = ParameterMenuMachine::text(a.notice, g.language);
    m_upload->stop();
    // Said once, as the fitter leaves: the main menu has no line for another screen's news.
    // The box waits for the fitter, and nothing may go to the ECU meanwhile.
    cycle().stop();
    if (!notice.isEmpty()) ctx.dialogs.information(this, QString::fromLatin1(Caption), notice);
    leaveFor(ScreenId::Form2);
}

WriteSequence& Form5::runningWrites() {
    return m_upload->writes().isRunning() ? m_upload->writes() : m_writes;
}

void Form5::onUnload() {
    ctx.dialogs.setBusy(false);
    WriteSequence& writes = runningWrites();
    if (writes.isRunning()) {
        writes.interrupt();
        cycle().detach();
    }
}
