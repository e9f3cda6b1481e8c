#include "screens/calib/Form8.h"

#include "base/Version.h"
#include "diag/LiveLayout.h"
#include "link/Commands.h"
#include "link/LiveDecoding.h"
#include "link/RequestPlan.h"
#include "screens/calib/CellPanel.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

using Outcome = ExchangeCycle::Outcome;

} // namespace

Form8::Form8(FormContext& context)
    : FormBase(ScreenId::Form8, context), m_run(context.g.parameters, context.g.language),
      m_log(LogKind::Calibration, context.g.language) {
    m_cells = new CellPanel(m_run, g.parameters, g.language, this);
    ui.setupUi(this, g.language, liveLayout(g.parameters).showPressure2, m_cells);
    connect(ui.Command3, &QPushButton::clicked, this, [this] { startClicked(); });
    connect(m_cells, &CellPanel::startCellClicked, this, &Form8::startClicked);
    connect(m_cells, &CellPanel::writeFillClicked, this, [this](const TableChange& fill) {
        if (!m_run.writeFill(fill)) return;
        runStorePart();
        showRun();
    });
    connect(ui.Command1, &QPushButton::clicked, this, &Form8::stopClicked);
    connect(ui.Command5, &QPushButton::clicked, this, &Form8::onCloseRequested);
    connect(ui.Command6, &QPushButton::clicked, this, &Form8::startLogClicked);
    connect(ui.Command7, &QPushButton::clicked, this, &Form8::stopLogClicked);
    connect(ui.Command8, &QPushButton::clicked, this,
            [this] { showFileIn(ScreenId::Form17, m_log.filePath()); });
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
    ui.showLive(g.liveData);
    ui.setLiveShown(false);
    Timer3.start();
    if (!g.connected()) {
        showStatus(g.LostLinkText);
    } else if (!openLink()) {
        showStatus(link().errorString());
    } else {
        syncRequest();
        cycle().start(plan().startDelayOf(Commands::CalibrationLive));
    }
    showRun();
}

Form8::~Form8() {
    m_log.close();
}

const RequestPlan& Form8::plan() {
    return RequestPlan::autoCalibration();
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
        ui.showLive(g.liveData);
        ui.setLiveShown(true);
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

    // While lost the ECU is still polled with the coefficient in use: if it is in calibration
    // mode it goes on applying the same one.
    watchLink({.lost = [this](const QString& why) { linkLost(why); },
               .found = [this] { linkFound(); },
               .poll = [this] { return plan().calibrationLive(m_run.pollRequest().coefficient); }});
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

void Form8::runStorePart() {
    WriteSequence* part = m_run.store().running();
    if (!part || cycle().runningSequence()) return;
    runVerifiedWrite(*part, {.progress = [this](const QString&) { showRun(); },
                             .ended =
                                 [this](bool, const QString&) {
                                     m_run.storePartEnded();
                                     if (m_run.readyToLeave()) { // EXIT waited for a fill
                                         leave();
                                         return Outcome::HandOver;
                                     }
                                     runStorePart();
                                     syncRequest();
                                     showRun();
                                     return Outcome::Next;
                                 }});
}

void Form8::linkLost(const QString& why) {
    m_run.setLinkLost(true);
    ui.setLiveShown(false);
    if (m_run.exitAsked())
        showStatus(m_run.exitWaitText());
    else
        showStatus(why.isEmpty() ? lostLinkNotice(g.LostLinkText)
                                 : g.LostLinkText + QLatin1Char('\n') + why);
    showRun();
}

void Form8::linkFound() {
    m_run.setLinkLost(false);
    showStatus(m_run.exitWaitText());
    syncRequest();
    showRun();
}

// ---------------------------------------------------------------- the fitter

void Form8::startClicked(std::optional<TableCell> cell) {
    if (!link().isOpen()) {
        if (!ensureLinkOpen()) {
            showStatus(link().errorString());
            return;
        }
        // Polling starts now: the run needs a live record with the engine turning.
        showStatus(QString());
        m_retryCount = 0;
        syncRequest();
        cycle().start(plan().startDelayOf(Commands::CalibrationLive));
    }
    if (!(cell ? m_run.startCell(*cell) : m_run.start())) {
        if (const QString why = m_run.startRefusedText(); !why.isEmpty()) showStatus(why);
        return;
    }
    showStatus(QString());
    syncRequest();
    if (!cycle().isRunning()) cycle().start(plan().startDelayOf(Commands::CalibrationLive));
    showRun();
}

void Form8::stopClicked() {
    if (!m_run.stop()) return;
    syncRequest();
    showRun();
}

void Form8::onCloseRequested() {
    // The run says whether there is anything to wait for; the patience (or a close box the
    // fitter confirmed) says whether the fitter still waits.
    if (m_run.exit() == AutoCalibrationRun::ExitDecision::LeaveNow || !exitMayWait()) {
        leave();
        return;
    }
    syncRequest();
    showStatus(m_run.exitWaitText());
    showRun();
}

void Form8::leave() {
    if (m_run.storing()) {
        // Left while the store runs: the set keeps exactly what the ECU confirmed, and is no
        // longer what was read from the ECU.
        cycle().detach();
        g.parametersFromEcu = false;
    }
    cycle().stop();
    Timer3.stop();
    QStringList warning;
    if (!stopLog()) warning << m_log.errorString();
    warning << m_run.leave(g.parameters);
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

void Form8::Timer3Tick() {
    m_run.tick();
    runStorePart();
    syncRequest();
    showRun();
}

// ---------------------------------------------------------------- the log

void Form8::startLogClicked() {
    g.AcquisitionState = LogWriter::StartRequested;
    ui.Command6->setEnabled(false);
    ui.Command7->setEnabled(true);
    ui.Command8->hide();
    Timer2.start();
}

void Form8::stopLogClicked() {
    // The next log step closes the file.
    g.AcquisitionState = LogWriter::Stopped;
    ui.Command6->setEnabled(true);
    ui.Command7->setEnabled(false);
}

void Form8::Timer2Tick() {
    const LogWriter::Start start{ui.Text28->text(), g.folders.userFolder(), programVersion(),
                                 g.EcuVersion, g.parameters};
    const auto cell = m_run.cellUnderCalibration();
    switch (m_log.tick(g.AcquisitionState, start, g.liveData, m_run.phase(),
                       cell ? std::optional(LogLines::LogCell{cell->row + 1, cell->column + 1})
                            : std::nullopt)) {
    case LogWriter::Tick::Running:
        return;
    case LogWriter::Tick::Failed:
        showStatus(m_log.errorString());
        ui.Command6->setEnabled(true);
        ui.Command7->setEnabled(false);
        break;
    case LogWriter::Tick::Stopped:
        break;
    }
    Timer2.stop();
    ui.Command8->setVisible(!m_log.filePath().isEmpty());
}

bool Form8::stopLog() {
    Timer2.stop();
    g.AcquisitionState = LogWriter::Stopped;
    return m_log.close();
}

void Form8::showRun() {
    ui.showRun(m_run, g.connected());
    m_cells->refresh(g.connected() && !m_run.exitAsked());
    if (m_run.busy() != m_busy) {
        m_busy = m_run.busy();
        ctx.dialogs.setBusy(m_busy);
    }
}
