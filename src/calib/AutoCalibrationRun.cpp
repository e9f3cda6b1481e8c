#include "AutoCalibrationRun.h"

#include "CalibrationTexts.h"
#include "CoefficientUpdate.h"
#include "lang/LanguageTable.h"
#include "link/RequestPlan.h"
#include "params/ParameterSet.h"
#include "params/ParameterTable.h"

#include <algorithm>

namespace {

enum TextId {
    WaitStart,
    WaitPetrol,
    WaitGas,
    WaitSettle,
    WaitTemperature,
    AtMinimum,
    AtMaximum,
    OutOfLimits,
    Finished,
    Storing,
    Stored,
    Stopped,
    SwitchFailed,
    NoConvergence,
    PressureOut,
    TemperatureOut,
    StoreUnverified,
    MayBeInCalibration,
    EngineStopped,
    ExitAfterStore,
    ExitAfterAcknowledgement,
    ExitNoAnswer,
};

struct TextDef {
    const char* key;
    const char* italian; // UTF-8
};

// Indexed by TextId. The keys are those of the language file; the Italian text is what the
// screen shows when the file lacks the key.
constexpr TextDef kTexts[] = {
    {"WC00000", "PREMERE START TARATURA"},
    {"CB00000", "ATTESA COMMUTAZIONE A BENZINA"},
    {"CG00000", "ATTESA COMMUTAZIONE A GAS"},
    {"ATI0000", "ATTESA STABILIZZAZIONE TEMPO INIEZIONE"},
    {"AT00000", "ATTESA TEMPERATURA DI TARATURA"},
    {"KFRMin0", "KTAR AL LIMITE MINIMO"},
    {"KFRMax0", "KTAR AL LIMITE MASSIMO"},
    {"KFR0000", "KTAR FUORI LIMITI - TARATURA INTERROTTA"},
    {"TF00000", "TARATURA TERMINATA"},
    {"MKGB000", "MEMORIZZAZIONE KGB IN CORSO"},
    {"WNC0000", "KGB MEMORIZZATO"},
    {"F08_T40", "TARATURA INTERROTTA"},
    {"F08_T41", "COMMUTAZIONE NON ESEGUITA DALLA CENTRALINA"},
    {"F08_T42", "KTAR NON STABILE DOPO 10 AGGIORNAMENTI"},
    {"F08_T43", "PRESSIONE DI TARATURA FUORI LIMITI, NON MEMORIZZATA:"},
    {"F08_T44", "TEMPERATURA DI TARATURA FUORI LIMITI, NON MEMORIZZATA:"},
    {"F08_T45", "MEMORIZZAZIONE KGB NON VERIFICATA"},
    {"F08_T46", "LA CENTRALINA POTREBBE ESSERE ANCORA IN MODALITÀ TARATURA"},
    {"F08_T80", "MOTORE SPENTO: AVVIARE IL MOTORE PRIMA DELLA TARATURA"},
    {"F08_T81", "USCITA AL TERMINE DELLA MEMORIZZAZIONE"},
    {"F08_T82", "USCITA ALLA CONFERMA DELLA CENTRALINA"},
    {"F08_T83", "LA CENTRALINA NON RISPONDE: PREMERE DI NUOVO EXIT PER USCIRE"},
};
static_assert(std::size(kTexts) == ExitNoAnswer + 1);
static_assert(AutoCalibrationRun::MaxUpdates == 10, "the no-convergence text names 10");

// ECU states in which a fuel switch is still to come: waiting for the switching temperature
// (4, 5), the switching speed (7, 8) or a deceleration (9, 10), or switching to gas now (11).
// Command 4 toggles, so asking again then would call the switch off.
bool switchPending(int ecuState) {
    switch (ecuState) {
    case 4:
    case 5:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
        return true;
    default:
        return false;
    }
}

// The flag shown beside the idle and stored texts while the engine stands.
QString safetyFlag(const LiveData& live) {
    return live.Rpm == 0 ? QStringLiteral("SAFETY") : QString();
}

} // namespace

AutoCalibrationRun::AutoCalibrationRun(const ParameterSet& params, const LanguageTable& language)
    : m_params(params), m_language(language) {}

QString AutoCalibrationRun::text(int id) const {
    const TextDef& t = kTexts[id];
    return m_language.text(QString::fromLatin1(t.key), QString::fromUtf8(t.italian));
}

QStringList AutoCalibrationRun::textKeys() {
    QStringList keys;
    for (const TextDef& t : kTexts)
        keys << QString::fromLatin1(t.key);
    return keys;
}

// ---------------------------------------------------------------- replies

void AutoCalibrationRun::liveRecord(const LiveData& live) {
    m_live = live;
    m_haveLive = true;
    const int fuel = onPetrol() ? 1 : 0;
    if (fuel != m_windowFuel) {
        // One average never mixes petrol and gas readings, and an average taken on the other
        // fuel before the switch is nothing to judge after it.
        m_window.restart();
        m_windowFuel = fuel;
        m_freshPetrol = m_freshGas = false;
    }
    const std::optional<int> average = m_window.add(live.PetrolTinj, live.Rpm);
    if (!average) return;
    if (fuel == 1) {
        m_avgOnPetrol = *average;
        m_freshPetrol = true;
    } else {
        m_avgOnGas = *average;
        m_freshGas = true;
    }
}

void AutoCalibrationRun::acknowledged(int command) {
    if (command == Commands::EnterCalibration && m_pending == Pending::Enter) {
        m_pending = Pending::None;
        m_inCalibration = true;
        begin();
    } else if (command == Commands::LeaveCalibration && m_pending == Pending::Leave) {
        m_pending = Pending::None;
        m_inCalibration = false;
        if (m_exitWanted) m_readyToLeave = true;
    }
    // A switch is judged by FuelState, never by its acknowledgement; any other reply is not
    // ours to act on.
}

void AutoCalibrationRun::sent(const CalibrationRequest& request) {
    if (request.command == Commands::SwitchFuel && m_switchWanted) {
        m_switchWanted = false;
        ++m_switchTries;
        m_switchWait = 0;
    }
}

void AutoCalibrationRun::setLinkLost(bool lost) {
    if (lost == m_linkLost) return;
    m_linkLost = lost;
    if (lost) {
        // A switch that has not gone out is not sent late into a link that may come back
        // minutes later; it is asked again when the ECU answers.
        if (m_switchWanted) {
            m_switchWanted = false;
            m_switchDropped = true;
        }
        return;
    }
    m_window.restart();
    m_freshPetrol = m_freshGas = false;
    m_settle = 0;
    m_switchWait = 0;
    if (m_switchDropped) {
        m_switchDropped = false;
        m_switchWanted = true;
    }
}

// ---------------------------------------------------------------- buttons

bool AutoCalibrationRun::start() {
    if (!canStart() || m_live.Rpm <= 0) return false;
    clearMeasurement();
    m_phase = 0;
    m_updates = 0;
    m_result = Result::None;
    m_stop = Stop::None;
    m_store.clear();
    m_notices.clear();
    // Also replaces a leave still unanswered: the ECU then either is in calibration mode and
    // stays, or enters it again.
    m_pending = Pending::Enter;
    return true;
}

bool AutoCalibrationRun::stop() {
    if (!canStop()) return false;
    m_result = Result::None;
    m_updates = 0;
    endRun(Stop::None);
    return true;
}

AutoCalibrationRun::ExitDecision AutoCalibrationRun::exit() {
    if (m_readyToLeave || m_exitWanted) return ExitDecision::LeaveNow;
    if (m_store.isWriting()) {
        // The store finishes first, then the leave.
        m_exitWanted = true;
        return ExitDecision::WaitForEcu;
    }
    if (!mayBeInCalibrationMode()) return ExitDecision::LeaveNow;
    m_exitWanted = true;
    if (m_phase != 8) endRun(Stop::None);
    m_pending = Pending::Leave;
    return ExitDecision::WaitForEcu;
}

QString AutoCalibrationRun::exitWaitText() const {
    if (!m_exitWanted || m_readyToLeave) return QString();
    const QChar newline = QLatin1Char('\n');
    if (m_linkLost) return text(ExitNoAnswer) + newline + text(MayBeInCalibration);
    return text(m_store.isWriting() ? ExitAfterStore : ExitAfterAcknowledgement) + newline +
           CalibrationTexts::exitAgain(m_language);
}

QStringList AutoCalibrationRun::leave(ParameterSet& set) {
    QStringList notice;
    if (mayBeInCalibrationMode()) notice << text(MayBeInCalibration);
    const QString cut = m_store.cut(set, m_language);
    if (!cut.isEmpty()) notice << cut;
    return notice;
}

bool AutoCalibrationRun::mayBeInCalibrationMode() const {
    return m_inCalibration || m_pending != Pending::None;
}

bool AutoCalibrationRun::canStart() const {
    return !m_store.isWriting() && !m_linkLost && !m_exitWanted;
}

bool AutoCalibrationRun::canStop() const {
    if (m_store.isWriting() || m_exitWanted) return false;
    return (m_phase >= 1 && m_phase <= 7) || m_pending == Pending::Enter ||
           (m_phase == 0 && m_inCalibration && m_pending == Pending::None);
}

bool AutoCalibrationRun::busy() const {
    return (m_phase >= 3 && m_phase <= 7) || m_store.isWriting();
}

// ---------------------------------------------------------------- the run

void AutoCalibrationRun::clearMeasurement() {
    m_petrolRing.clear();
    m_gasRing.clear();
    m_window.restart();
    m_freshPetrol = m_freshGas = false;
    m_settle = 0;
    m_tooCold = false;
    m_petrolReference = 0;
    m_gasPassed = 0;
    clearSwitch();
}

void AutoCalibrationRun::leaveCalibrationMode() {
    // An enter or leave still unanswered may have reached the ECU: leave to be sure.
    m_pending = mayBeInCalibrationMode() ? Pending::Leave : Pending::None;
}

void AutoCalibrationRun::endRun(Stop why) {
    // Measuring on after calibration mode is left compares nothing with nothing, and a
    // limit coefficient must not stay in charge of the engine: every end leaves at once.
    clearMeasurement();
    m_phase = 0;
    m_stop = why;
    leaveCalibrationMode();
}

void AutoCalibrationRun::begin() {
    // The run starts from the coefficient the ECU applies now. The ECU drives the gas with
    // whatever byte the poll carries, so start inside the range a table cell may hold.
    m_ktar = std::clamp(m_live.Kcor, TableMin, TableMax);
    clearMeasurement();
    if (onPetrol()) {
        m_phase = 3;
    } else {
        m_phase = 1;
        requestSwitch();
    }
}

void AutoCalibrationRun::requestSwitch() {
    clearSwitch();
    m_switchWanted = true;
}

void AutoCalibrationRun::clearSwitch() {
    m_switchWanted = false;
    m_switchDropped = false;
    m_switchTries = 0;
    m_switchWait = 0;
}

bool AutoCalibrationRun::switchedTo(bool petrol) {
    if (onPetrol() == petrol) {
        clearSwitch();
        return true;
    }
    if (m_switchWanted) return false; // not out yet: nothing to time
    // The ECU may hold a switch for as long as its own condition takes: the 5 s start once
    // it shows none pending.
    if (switchPending(m_live.EcuState)) {
        m_switchWait = 0;
        return false;
    }
    if (++m_switchWait < SwitchWaitTicks) return false;
    // Asking again is safe only because for 5 s FuelState has shown no change and the ECU
    // no switch under way: a switch still coming is not toggled back.
    if (m_switchTries >= SwitchTries)
        endRun(Stop::SwitchFailed);
    else
        m_switchWanted = true;
    return false;
}

bool AutoCalibrationRun::stable(int settleTicks, bool& fresh, StabilityRing& ring, int average) {
    // The settling wait, then one test on an average not judged before.
    if (m_settle < settleTicks) {
        ++m_settle;
        return false;
    }
    if (!fresh) return false;
    fresh = false;
    m_settle = 0;
    return ring.test(average);
}

void AutoCalibrationRun::switchAndWait(int waitingPhase) {
    m_phase = waitingPhase;
    requestSwitch();
}

void AutoCalibrationRun::tick() {
    if (m_linkLost) return;
    if (m_phase == 0) {
        if (m_haveLive) m_ktar = m_live.Kcor;
        return;
    }
    if (m_phase == 8 || !m_inCalibration) return;

    switch (m_phase) {
    case 1: // waiting for petrol
        if (switchedTo(true)) m_phase = 3;
        break;
    case 3: // measuring on petrol
        // Gas too cold is denser than at the reference: measuring now would calibrate the
        // wrong gas. The wait starts over once it is warm.
        m_tooCold = m_live.Temperature < m_params.value(CalibrationTemperature);
        if (m_tooCold) {
            m_settle = 0;
        } else if (stable(PetrolSettleTicks, m_freshPetrol, m_petrolRing, m_avgOnPetrol)) {
            m_petrolReference = m_avgOnPetrol;
            switchAndWait(4);
        }
        break;
    case 4: // waiting for gas
        if (switchedTo(false)) {
            m_gasRing.clear();
            m_settle = 0;
            m_phase = 5;
        }
        break;
    case 5: // measuring on gas
        if (stable(GasSettleTicks, m_freshGas, m_gasRing, m_avgOnGas)) {
            m_gasPassed = m_avgOnGas;
            switchAndWait(6);
        }
        break;
    case 6: // waiting for petrol
        if (switchedTo(true)) applyUpdate();
        break;
    case 7: // after an update
        // The next gas measurement runs with the new coefficient; the petrol reference stays
        // the one taken at the start of the run.
        if (m_result == Result::Converged)
            beginStore();
        else if (stable(PetrolSettleTicks, m_freshPetrol, m_petrolRing, m_avgOnPetrol))
            switchAndWait(4);
        break;
    default:
        break;
    }
}

void AutoCalibrationRun::applyUpdate() {
    const std::optional<CoefficientUpdate> u =
        updateCoefficient(m_ktar, m_gasPassed, m_petrolReference);
    if (!u) {
        endRun(Stop::Fault);
        return;
    }
    ++m_updates;
    m_ktar = u->ktar;
    m_petrolRing.clear();
    m_settle = 0;
    switch (u->outcome) {
    case CoefficientUpdate::Outcome::AtMinimum:
    case CoefficientUpdate::Outcome::AtMaximum:
        m_result = Result::Limit;
        m_atMaximum = u->outcome == CoefficientUpdate::Outcome::AtMaximum;
        endRun(Stop::Limit);
        return;
    case CoefficientUpdate::Outcome::Converged:
        m_result = Result::Converged;
        m_phase = 7;
        return;
    case CoefficientUpdate::Outcome::Continue:
        // Noise can keep a run hunting for ever; ten updates is far more than a car needs.
        if (m_updates >= MaxUpdates) {
            endRun(Stop::NoConvergence);
            return;
        }
        m_phase = 7;
        return;
    }
}

void AutoCalibrationRun::beginStore() {
    m_phase = 8;
    m_notices.clear();
    std::vector<WriteList::Entry> writes;
    for (int entry = 1; entry <= TableSize; ++entry)
        writes.push_back({entry, m_ktar, true});
    // The references are the conditions of the gas the coefficient was found with; the ECU
    // corrects against them later, so one that makes no sense is not stored at all.
    const struct {
        int id;
        int value;
        int textId;
    } references[] = {
        {CalibrationPressure, m_live.Pressure1, PressureOut},
        {CalibrationTemperature, m_live.Temperature, TemperatureOut},
    };
    for (const auto& r : references) {
        const ParameterInfo* info = ParameterTable::find(r.id);
        if (info && r.value >= info->minValue && r.value <= info->maxValue) {
            writes.push_back({r.id, r.value, false});
        } else if (info) {
            m_notices << QStringLiteral("%1 %2 (%3..%4)")
                             .arg(text(r.textId))
                             .arg(r.value)
                             .arg(info->minValue)
                             .arg(info->maxValue);
        }
    }
    m_store.start(writes, RequestPlan::autoCalibration().writeTiming());
}

void AutoCalibrationRun::storePartEnded() {
    // Calibration mode is left however the store ended: the ECU must not stay on a
    // coefficient the tool no longer sends.
    if (m_store.isWriting() && m_store.partEnded()) m_pending = Pending::Leave;
}

// ---------------------------------------------------------------- requests

CalibrationRequest AutoCalibrationRun::pollRequest() const {
    return {Commands::CalibrationLive, std::clamp(m_ktar, 0, 255), false};
}

CalibrationRequest AutoCalibrationRun::request() const {
    switch (m_pending) {
    case Pending::Enter:
        return {Commands::EnterCalibration, 0, false};
    case Pending::Leave:
        return {Commands::LeaveCalibration, 0, false};
    case Pending::None:
        break;
    }
    if (m_switchWanted && !m_linkLost) return {Commands::SwitchFuel, 0, true};
    return pollRequest();
}

// ---------------------------------------------------------------- texts

QString AutoCalibrationRun::runText() const {
    const QString blank = QStringLiteral(" ");
    switch (m_phase) {
    case 0:
        if (m_stop == Stop::Limit) return text(OutOfLimits);
        if (m_stop != Stop::None) return text(Stopped);
        return text(WaitStart) + blank + safetyFlag(m_live);
    case 1:
    case 6:
        return text(WaitPetrol);
    case 4:
        return text(WaitGas);
    case 3:
        if (m_tooCold)
            return text(WaitTemperature) + blank +
                   QString::number(m_params.value(CalibrationTemperature));
        return text(WaitSettle);
    case 5:
        return text(WaitSettle);
    case 7:
        return m_result == Result::Converged ? text(Storing) : text(WaitSettle);
    case 8:
        if (m_store.isWriting() || m_inCalibration || m_pending != Pending::None)
            return text(Storing);
        if (m_store.state() != AutoCalibrationStore::State::Verified) return text(StoreUnverified);
        return text(Stored) + blank + safetyFlag(m_live);
    default:
        return QString();
    }
}

QString AutoCalibrationRun::resultText() const {
    switch (m_stop) {
    case Stop::Limit:
        return text(m_atMaximum ? AtMaximum : AtMinimum);
    case Stop::SwitchFailed:
        return text(SwitchFailed);
    case Stop::NoConvergence:
        return text(NoConvergence);
    case Stop::Fault:
    case Stop::None:
        break;
    }
    return m_result == Result::Converged ? text(Finished) : QString();
}

QString AutoCalibrationRun::storeText() const {
    QStringList lines = m_notices;
    const QString store = m_store.text(m_language);
    if (!store.isEmpty()) lines.prepend(store);
    return lines.join(QLatin1Char('\n'));
}

QString AutoCalibrationRun::startRefusedText() const {
    return m_live.Rpm <= 0 ? text(EngineStopped) : QString();
}
