#include "screens/calib/Form8.h"

#include "base/Version.h"
#include "calib/CalibrationTexts.h"
#include "diag/LiveLayout.h"
#include "link/Commands.h"
#include "link/LiveDecoding.h"
#include "link/RequestPlan.h"
#include "link/WriteReport.h"
#include "screen/Shape.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using Outcome = ExchangeCycle::Outcome;
using Write = WriteSequence::Write;

constexpr int kExchangeFirstMs = 100;

QLineEdit* readOnly(QLineEdit* box, int pointSize) {
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    box->setFocusPolicy(Qt::TabFocus); // a screen reader can still reach the value
    QFont f = box->font();
    f.setPointSize(pointSize);
    f.setBold(true);
    box->setFont(f);
    box->setMinimumWidth(96);
    return box;
}

} // namespace

Form8::Form8(FormContext& context)
    : FormBase(ScreenId::Form8, context), m_run(context.g.parameters, context.g.language),
      m_log(LogKind::Calibration, context.g.language) {
    buildControls();
    applyLanguageStrings();
    setupExchange();

    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer3.setObjectName(QStringLiteral("Timer3"));
    Timer2.setInterval(AutoCalibrationRun::TickMs);
    Timer3.setInterval(AutoCalibrationRun::TickMs);
    connect(&Timer2, &QTimer::timeout, this, &Form8::Timer2Tick);
    connect(&Timer3, &QTimer::timeout, this, &Form8::Timer3Tick);

    // Load: the last values known, the fuel lamps from them, greyed until the ECU answers;
    // the run idle.
    m_run.liveRecord(g.liveData);
    showLive();
    setLiveShown(false);
    Timer3.start();
    if (g.ConnectedMode != 1) {
        showStatus(g.LostLinkText);
        showRun();
        return;
    }
    if (!openLink()) {
        showStatus(link().errorString());
    } else {
        syncRequest();
        cycle().start(kExchangeFirstMs);
    }
    showRun();
}

Form8::~Form8() {
    m_log.close();
}

const RequestPlan& Form8::plan() {
    return RequestPlan::autoCalibration();
}

void Form8::buildControls() {
    const auto button = [this](const char* name, const char* text) {
        auto* b = named(new QPushButton(QString::fromUtf8(text), this), QString::fromLatin1(name));
        b->setMinimumHeight(40);
        return b;
    };
    Command3 = button("Command3", "START TARATURA");
    Command1 = button("Command1", "STOP TARATURA");
    Command5 = button("Command5", "EXIT");
    Command6 = button("Command6", "START Acquisizione");
    Command7 = button("Command7", "STOP Acquisizione");
    Command7->setEnabled(false);
    Command8 = button("Command8", "Apri nel visualizzatore");
    Command8->hide();
    for (QPushButton* b : {Command3, Command1}) {
        QFont f = b->font();
        f.setPointSize(12);
        f.setBold(true);
        b->setFont(f);
    }

    const auto box = [this](const char* name, int pointSize = 13) {
        return readOnly(named(new QLineEdit(this), QString::fromLatin1(name)), pointSize);
    };
    Text1 = box("Text1");
    Text2 = box("Text2");
    Text3 = box("Text3");
    Text4 = box("Text4");
    Text7 = box("Text7");
    Text8 = box("Text8");
    Text9 = box("Text9");
    Text11 = box("Text11");
    Text22 = box("Text22");
    Text21 = box("Text21", 16);
    Text20 = box("Text20", 16);
    Text30 = box("Text30", 22);
    Text30->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));

    const auto frame = [this](const char* name, const char* title, QWidget* content,
                              Shape* lamp = nullptr) {
        auto* f = named(new QGroupBox(QString::fromUtf8(title), this), QString::fromLatin1(name));
        auto* row = new QHBoxLayout(f);
        row->setContentsMargins(6, 2, 6, 6);
        row->addWidget(content, 1);
        if (lamp) row->addWidget(lamp);
        return f;
    };
    const auto lamp = [this](const char* name, const QString& what) {
        auto* s = named(new Shape(Shape::Kind::Circle, this), QString::fromLatin1(name));
        s->setFixedSize(26, 26);
        s->setAccessibleName(what);
        return s;
    };
    Shape2 = lamp("Shape2", QStringLiteral("Benzina"));
    Shape3 = lamp("Shape3", QStringLiteral("GAS"));
    Frame8 = frame("Frame8", "RPM", Text8);
    Frame13 = frame("Frame13", "Temperatura", Text22);
    Frame10 = frame("Frame10", "Pressione", Text11);
    Frame5 = frame("Frame5", "Pressione1", Text9);
    // The second pressure only with a second sensor, as on the live screen: without one the
    // ECU's word is no pressure at all.
    Frame5->setHidden(!liveLayout(g.parameters).showPressure2);
    Frame1 = frame("Frame1", "Tinj_Benzina", Text1);
    Frame2 = frame("Frame2", "Tinj_GAS", Text2);
    Frame3 = frame("Frame3", "LAMBDA", Text3);
    Frame4 = frame("Frame4", "Media lambda", Text4);
    Frame12 = frame("Frame12", "AVG_FunzBenz", Text21, Shape2);
    Frame11 = frame("Frame11", "AVG_FunzGAS", Text20, Shape3);
    Frame7 = frame("Frame7", "KGB IN USO", Text7);

    Label24 = named(new QLabel(QStringLiteral("KTAR TARATO"), this), QStringLiteral("Label24"));
    Label24->setBuddy(Text30);
    Label24->setAlignment(Qt::AlignCenter);
    QFont caption = Label24->font();
    caption.setBold(true);
    Label24->setFont(caption);

    Label1 = named(new QLabel(this), QStringLiteral("Label1"));
    Label2 = named(new QLabel(this), QStringLiteral("Label2"));
    for (QLabel* l : {Label1, Label2}) {
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        l->setMinimumHeight(30);
        QFont f = l->font();
        f.setPointSize(14);
        f.setBold(true);
        l->setFont(f);
    }
    Label1->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));
    StoreText = named(new QLabel(this), QStringLiteral("StoreText"));
    StatusText = named(new QLabel(this), QStringLiteral("StatusText"));
    for (QLabel* l : {StoreText, StatusText}) {
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignCenter);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        l->hide();
    }
    StoreText->setStyleSheet(QStringLiteral("font-weight: bold;"));
    StatusText->setStyleSheet(QStringLiteral("color: rgb(190,0,0); font-weight: bold;"));

    Label22 = named(new QLabel(QStringLiteral("Log file"), this), QStringLiteral("Label22"));
    Text28 = named(new QLineEdit(this), QStringLiteral("Text28"));
    Label22->setBuddy(Text28);

    auto* values = new QGridLayout;
    values->setHorizontalSpacing(8);
    values->setVerticalSpacing(4);
    QGroupBox* const grid[3][4] = {{Frame8, Frame13, Frame10, Frame5},
                                   {Frame1, Frame2, Frame3, Frame4},
                                   {Frame12, Frame11, Frame7, nullptr}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            if (grid[r][c]) values->addWidget(grid[r][c], r, c);
    for (int c = 0; c < 4; ++c)
        values->setColumnStretch(c, 1);
    auto* ktar = new QVBoxLayout;
    ktar->addWidget(Label24);
    ktar->addWidget(Text30);
    values->addLayout(ktar, 2, 3);

    auto* runButtons = new QHBoxLayout;
    runButtons->addWidget(Command3);
    runButtons->addWidget(Command1);

    auto* logRow = new QHBoxLayout;
    logRow->addWidget(Label22);
    logRow->addWidget(Text28, 1);
    logRow->addWidget(Command6);
    logRow->addWidget(Command7);
    logRow->addWidget(Command8);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 12, 16, 12);
    root->addLayout(values);
    root->addSpacing(6);
    root->addWidget(Label1);
    root->addWidget(Label2);
    root->addLayout(runButtons);
    root->addWidget(StoreText);
    root->addWidget(StatusText);
    root->addStretch();
    root->addLayout(logRow);
    root->addWidget(Command5);
    resize(760, 520);

    connect(Command3, &QPushButton::clicked, this, &Form8::startClicked);
    connect(Command1, &QPushButton::clicked, this, &Form8::stopClicked);
    connect(Command5, &QPushButton::clicked, this, &Form8::onCloseRequested);
    connect(Command6, &QPushButton::clicked, this, &Form8::startLogClicked);
    connect(Command7, &QPushButton::clicked, this, &Form8::stopLogClicked);
    connect(Command8, &QPushButton::clicked, this,
            [this] { showFileIn(ScreenId::Form17, m_log.filePath()); });
}

void Form8::applyLanguageStrings() {
    Command3->setText(lang("F08_C03", Command3->text()));
    Command1->setText(lang("F08_C01", Command1->text()));
    Command5->setText(lang("F01_C02", Command5->text()));
    Command6->setText(lang("F03_C03", Command6->text()));
    Command7->setText(lang("F03_C04", Command7->text()));
    Command8->setText(lang("F03_C07", Command8->text()));
    Label24->setText(lang("F08_L24", Label24->text()));
    Label22->setText(lang("F08_L22", Label22->text()));
    const struct {
        QGroupBox* frame;
        const char* key;
    } frames[] = {
        {Frame1, "F08_F01"},  {Frame2, "F08_F02"},  {Frame3, "F08_F03"},  {Frame4, "F08_F04"},
        {Frame5, "F08_F05"},  {Frame7, "F08_F07"},  {Frame8, "F08_F08"},  {Frame10, "F08_F10"},
        {Frame11, "F08_F11"}, {Frame12, "F08_F12"}, {Frame13, "F08_F13"},
    };
    for (const auto& f : frames) {
        f.frame->setTitle(lang(f.key, f.frame->title()));
        // The value box is read by its frame's caption.
        if (auto* value = f.frame->findChild<QLineEdit*>())
            value->setAccessibleName(f.frame->title());
    }
    Text30->setAccessibleName(Label24->text());
    Shape2->setAccessibleDescription(Frame12->title());
    Shape3->setAccessibleDescription(Frame11->title());
}

// ---------------------------------------------------------------- the exchange

void Form8::setupExchange() {
    ExchangeCycle& c = cycle();
    c.timer().setObjectName(QStringLiteral("Timer1"));
    // The screen keeps its own count, so that a run's pauses never depend on what another
    // screen left in the program-wide one.
    c.setRetryCounter(m_retryCount);

    c.on(Commands::CalibrationLive, [this](const QByteArray& reply) {
        if (!LiveDecoding::decodeCalibrationLive(reply, g.liveData)) return Outcome::Rejected;
        m_run.liveRecord(g.liveData);
        showLive();
        setLiveShown(true);
        syncRequest();
        return Outcome::Next;
    });
    for (const int command :
         {Commands::SwitchFuel, Commands::EnterCalibration, Commands::LeaveCalibration})
        c.on(command, [this, command](const QByteArray&) { return acknowledged(command); });

    // A fuel switch is done with once its frame is on the line; the run watches FuelState
    // for the result and asks again itself.
    connect(&c, &ExchangeCycle::frameSent, this, [this](const QByteArray& frame) {
        if (Commands::commandOf(frame) == Commands::SwitchFuel)
            m_run.sent({Commands::SwitchFuel, 0, true});
    });

    ExchangeCycle::LostLink lost;
    lost.notify = [this] { linkLost(); };
    lost.found = [this] { linkFound(); };
    // While lost the ECU is still polled with the coefficient in use: if it is in calibration
    // mode it goes on applying the same one.
    lost.poll = [this] { return plan().calibrationLive(m_run.pollRequest().coefficient); };
    c.setLostLink(lost);
    c.setDeviceLost(
        [this](const QString& why) {
            linkLost();
            if (!m_exitAsked)
                showStatus(why.isEmpty() ? g.LostLinkText
                                         : g.LostLinkText + QLatin1Char('\n') + why);
        },
        [this] {
            if (!openLink()) return false;
            linkFound();
            return true;
        });
}

ExchangeCycle::Outcome Form8::acknowledged(int command) {
    m_run.acknowledged(command);
    if (m_run.readyToLeave()) {
        leave();
        return Outcome::HandOver;
    }
    syncRequest();
    showRun();
    return Outcome::Next;
}

void Form8::syncRequest() {
    const CalibrationRequest wanted = m_run.request();
    const RequestPlan& p = plan();
    if (wanted.oneShot)
        cycle().sendOnce(p.request(wanted.command));
    else
        cycle().cancelOnce();
    // After a one-shot the exchange goes back to polling.
    const CalibrationRequest repeated = wanted.oneShot ? m_run.pollRequest() : wanted;
    cycle().send(repeated.command == Commands::CalibrationLive
                     ? p.calibrationLive(repeated.coefficient)
                     : p.request(repeated.command));
}

void Form8::linkLost() {
    m_run.setLinkLost(true);
    setLiveShown(false);
    showStatus(m_exitAsked ? lang("F08_T83", QStringLiteral("LA CENTRALINA NON RISPONDE: PREMERE "
                                                            "DI NUOVO EXIT PER USCIRE")) +
                                 QLatin1Char('\n') + m_run.leftInCalibrationModeText()
                           : lostLinkNotice(g.LostLinkText));
    showRun();
}

void Form8::linkFound() {
    m_run.setLinkLost(false);
    showExitWait();
    syncRequest();
    showRun();
}

void Form8::showExitWait() {
    if (!m_exitAsked)
        showStatus(QString());
    else if (m_storing)
        showStatus(lang("F08_T81", QStringLiteral("USCITA AL TERMINE DELLA MEMORIZZAZIONE")) +
                   QLatin1Char('\n') + CalibrationTexts::exitAgain(g.language));
    else
        showStatus(lang("F08_T82", QStringLiteral("USCITA ALLA CONFERMA DELLA CENTRALINA")) +
                   QLatin1Char('\n') + CalibrationTexts::exitAgain(g.language));
}

// ---------------------------------------------------------------- the fitter

void Form8::startClicked() {
    if (!link().isOpen()) {
        if (!ensureLinkOpen()) {
            showStatus(link().errorString());
            return;
        }
        // Polling starts now: the run needs a live record with the engine turning.
        showStatus(QString());
        m_retryCount = 0;
        syncRequest();
        cycle().start(kExchangeFirstMs);
    }
    if (!m_run.start()) {
        if (m_run.live().Rpm <= 0)
            showStatus(lang("F08_T80", QStringLiteral("MOTORE SPENTO: AVVIARE IL MOTORE PRIMA "
                                                      "DELLA TARATURA")));
        return;
    }
    StatusText->hide();
    m_storeReport.clear();
    syncRequest();
    if (!cycle().isRunning()) cycle().start(kExchangeFirstMs);
    showRun();
}

void Form8::stopClicked() {
    if (!m_run.stop()) return;
    syncRequest();
    showRun();
}

void Form8::onCloseRequested() {
    // A second EXIT, or the first one's patience running out: the fitter is not held here
    // for ever, whatever the ECU does.
    if (m_exitAsked) {
        leave();
        return;
    }
    if (m_run.exit() == AutoCalibrationRun::ExitDecision::LeaveNow) {
        leave();
        return;
    }
    m_exitAsked = true;
    exitMayWait();
    syncRequest();
    showRun();
    if (m_run.linkLost())
        linkLost();
    else
        showExitWait();
}

void Form8::leave() {
    cycle().stop();
    Timer3.stop();
    QStringList warning;
    if (!stopLog()) warning << m_log.errorText();
    if (m_run.mayBeInCalibrationMode()) warning << m_run.leftInCalibrationModeText();
    if (m_storing) {
        // Left while the ECU did not answer: the set keeps exactly what the ECU confirmed.
        m_storing->interrupt();
        m_storing->storeAcknowledged(g.parameters);
        g.parametersFromEcu = false;
        warning << WriteReport::outcome(*m_storing, g.language);
        cycle().detach();
        m_storing = nullptr;
    }
    if (!warning.isEmpty())
        ctx.dialogs.information(this, QString::fromLatin1(Caption),
                                warning.join(QLatin1Char('\n')));
    leaveFor(ScreenId::Form16);
}

void Form8::onUnload() {
    Timer3.stop();
    stopLog();
    ctx.dialogs.setBusy(false);
}

// ---------------------------------------------------------------- the calibration step

void Form8::Timer3Tick() {
    m_run.tick();
    if (m_run.wantsStore() && !m_storing) startStore();
    syncRequest();
    showRun();
}

void Form8::startStore() {
    std::vector<Write> cells;
    m_references.clear();
    for (const Write& w : m_run.storeWrites())
        (w.table ? cells : m_references).push_back(w);
    m_storeReport.clear();
    // The table first, read back before anything else is written: the references belong to
    // the coefficient and mean nothing in an ECU that did not take it.
    m_tableStore.start(std::move(cells), WriteSequence::ReadBack::Table, plan().writeTiming());
    m_tableStore.onProgress = [this](int, int) { showRun(); };
    m_storing = &m_tableStore;
    runWrites(m_tableStore, false, [this] { return tableStored(); });
}

ExchangeCycle::Outcome Form8::tableStored() {
    settleWrites(m_tableStore, false);
    // The references belong to the ECU that took the table, not to one that answered later.
    if (m_references.empty() || m_tableStore.result() == WriteSequence::Result::Abandoned)
        return storeEnded();
    m_referenceStore.start(m_references, WriteSequence::ReadBack::Parameters, plan().writeTiming());
    m_referenceStore.onProgress = [this](int, int) { showRun(); };
    m_storing = &m_referenceStore;
    runWrites(m_referenceStore, false, [this] {
        settleWrites(m_referenceStore, false);
        return storeEnded();
    });
    showRun();
    return Outcome::Next;
}

ExchangeCycle::Outcome Form8::storeEnded() {
    m_storing = nullptr;
    const bool tableKept = m_tableStore.result() == WriteSequence::Result::Verified;
    const bool referencesKept =
        m_references.empty() || m_referenceStore.result() == WriteSequence::Result::Verified;
    QStringList report;
    if (!tableKept) report << WriteReport::outcome(m_tableStore, g.language);
    if (!referencesKept) report << WriteReport::outcome(m_referenceStore, g.language);
    if (report.isEmpty()) report << WriteReport::outcome(m_tableStore, g.language);
    m_storeReport = report.join(QLatin1Char('\n'));
    m_run.storeFinished(tableKept && referencesKept);
    syncRequest();
    showRun();
    return Outcome::Next;
}

// ---------------------------------------------------------------- the log

void Form8::startLogClicked() {
    g.AcquisitionState = LogWriter::StartRequested;
    Command6->setEnabled(false);
    Command7->setEnabled(true);
    Command8->hide();
    Timer2.start();
}

void Form8::stopLogClicked() {
    // The next log step closes the file.
    g.AcquisitionState = LogWriter::Stopped;
    Command6->setEnabled(true);
    Command7->setEnabled(false);
}

void Form8::Timer2Tick() {
    const LogWriter::Start start{Text28->text(), g.folders.userFolder(), programVersion(),
                                 g.EcuVersion, g.parameters};
    switch (m_log.tick(g.AcquisitionState, start, g.liveData, m_run.phase())) {
    case LogWriter::Tick::Running:
        return;
    case LogWriter::Tick::Failed:
        showStatus(m_log.errorText());
        Command6->setEnabled(true);
        Command7->setEnabled(false);
        break;
    case LogWriter::Tick::Stopped:
        break;
    }
    Timer2.stop();
    Command8->setVisible(!m_log.filePath().isEmpty());
}

bool Form8::stopLog() {
    Timer2.stop();
    g.AcquisitionState = LogWriter::Stopped;
    return m_log.close();
}

// ---------------------------------------------------------------- the view

void Form8::showLive() {
    const LiveData& l = g.liveData;
    Text1->setText(QString::number(l.PetrolTinj));
    Text2->setText(QString::number(l.GasTinj));
    Text3->setText(QString::number(l.Lambda1));
    Text4->setText(QString::number(l.Lambda1Mean));
    Text7->setText(QString::number(l.Kcor));
    Text8->setText(QString::number(l.Rpm));
    Text9->setText(QString::number(l.Pressure2));
    Text11->setText(QString::number(l.Pressure1));
    Text22->setText(QString::number(l.Temperature));
    const int rpmColour = l.Rpm == 0 ? 0 : 1;
    if (rpmColour != m_rpmColour) {
        m_rpmColour = rpmColour;
        Text8->setStyleSheet(rpmColour == 0 ? QStringLiteral("background: rgb(255,0,0);")
                                            : QStringLiteral("background: rgb(0,255,255);"));
    }
    const bool petrol = l.FuelState == 1;
    Shape2->setFill(petrol ? Colours::Red : Colours::DarkRed);
    Shape3->setFill(petrol ? Colours::DarkGreen : Colours::Green);
}

void Form8::setLiveShown(bool live) {
    for (QGroupBox* f : {Frame1, Frame2, Frame3, Frame4, Frame5, Frame7, Frame8, Frame10, Frame11,
                         Frame12, Frame13})
        f->setEnabled(live);
    if (live) return;
    // Neither fuel is known, nor whether the engine turns.
    Shape2->setFill(Colours::DarkRed);
    Shape3->setFill(Colours::DarkGreen);
    Text8->setStyleSheet(QString());
    m_rpmColour = -1;
}

void Form8::showRun() {
    Label1->setText(m_run.runText());
    const QString result = m_run.resultText();
    Label2->setText(result);
    const int resultColour = m_run.result() == AutoCalibrationRun::Result::Converged ? 1 : 0;
    if (resultColour != m_resultColour) {
        m_resultColour = resultColour;
        Label2->setStyleSheet(resultColour == 1 ? QStringLiteral("color: rgb(0,130,0);")
                                                : QStringLiteral("color: rgb(200,0,0);"));
    }
    Text30->setText(QString::number(m_run.ktar()));
    Text21->setText(QString::number(m_run.avgOnPetrol()));
    Text20->setText(QString::number(m_run.avgOnGas()));

    const bool connected = g.ConnectedMode == 1;
    Command3->setEnabled(connected && m_run.canStart());
    Command1->setEnabled(connected && m_run.canStop());

    QStringList store;
    if (m_storing)
        store << WriteReport::progress(*m_storing, g.language);
    else if (!m_storeReport.isEmpty())
        store << m_storeReport;
    if (!m_run.noticeText().isEmpty()) store << m_run.noticeText();
    StoreText->setText(store.join(QLatin1Char('\n')));
    StoreText->setVisible(!store.isEmpty());

    if (m_run.busy() != m_busy) {
        m_busy = m_run.busy();
        ctx.dialogs.setBusy(m_busy);
    }
}

void Form8::showStatus(const QString& text) {
    StatusText->setText(text);
    StatusText->setVisible(!text.isEmpty());
}
