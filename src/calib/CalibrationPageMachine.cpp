#include "CalibrationPageMachine.h"

#include "link/Commands.h"

#include <algorithm>
#include <utility>

namespace {
constexpr int WriteStepOutstanding = -1;
}

void CalibrationPageMachine::load(bool connected, int kcor) {
    *this = CalibrationPageMachine();
    m_connected = connected;
    m_manualKgb = kcor;
}

bool CalibrationPageMachine::leaving() const {
    return m_state == CalibrationPageState::LeavingForMenu ||
           m_state == CalibrationPageState::LeavingForAutoCalibration;
}

PageControls CalibrationPageMachine::controls() const {
    PageControls c;
    const bool free = !m_writing && !leaving();
    c.graphicalView = free;
    c.autoCalibration = free;
    if (!m_connected) return c;
    // A fuel switch asked for while the ECU does not answer would go out whenever it came
    // back, long after the fitter stopped expecting it.
    c.commuta = free && !m_lost;
    // Until the ECU acknowledged the last mode change the page cannot know which mode a write
    // would be for (in manual calibration it writes ManualKgb into every cell), and a second
    // click could leave the caption saying the opposite of the ECU's mode.
    c.modifica = free && !modeChangePending();
    c.manualToggle = free && !modeChangePending();
    // A running write sends what the spinners held at MODIFICA and its read-back refills
    // them: a change made meanwhile would be neither written nor kept.
    c.manualKgb = m_ecuManual && m_state == CalibrationPageState::ManualOn && !m_writing;
    c.correctiveSpinners = !leaving() && !m_writing;
    return c;
}

PageNotice CalibrationPageMachine::notice() const {
    const bool exitWaits = m_writing && m_deferred != PageExit::Stay;
    if (m_lost && (leaving() || exitWaits)) return PageNotice::ExitAgainToLeave;
    if (leaving()) return PageNotice::ExitAtAcknowledgement;
    return exitWaits ? PageNotice::ExitAfterWrite : PageNotice::None;
}

PageRequest CalibrationPageMachine::request() const {
    if (!m_connected || m_stopped) return {};
    if (m_switchPending) return {Commands::SwitchFuel, 0, true, false};
    if (m_writing) return {0, 0, false, true};
    if (m_modeRequest != 0) return {m_modeRequest, 0, false, false};
    return {Commands::CalibrationLive, m_manualKgb, false, false};
}

PageRequest CalibrationPageMachine::takeRequest() {
    const PageRequest r = request();
    m_outstanding = r.writeStep ? WriteStepOutstanding : r.command;
    if (r.oneShot) m_switchPending = false;
    return r;
}

bool CalibrationPageMachine::manualToggleClicked() {
    if (!controls().manualToggle) return false;
    if (m_state == CalibrationPageState::ManualOff) {
        // The spinner only spans 100..150, and the ECU would apply whatever Kcor it last
        // reported (0 with the engine stopped) from the first manual request on.
        m_manualKgb = std::clamp(m_manualKgb, ManualKgbMin, ManualKgbMax);
        m_state = CalibrationPageState::ManualOn;
        m_modeRequest = Commands::EnterCalibration;
    } else {
        m_state = CalibrationPageState::ManualOff;
        m_modeRequest = Commands::LeaveCalibration;
    }
    return true;
}

bool CalibrationPageMachine::commutaClicked() {
    if (!controls().commuta) return false;
    m_switchPending = true;
    return true;
}

bool CalibrationPageMachine::setManualKgb(int value) {
    if (!controls().manualKgb) return false;
    m_manualKgb = std::clamp(value, ManualKgbMin, ManualKgbMax);
    return true;
}

bool CalibrationPageMachine::startWrite() {
    if (!controls().modifica) return false;
    m_writing = true;
    return true;
}

bool CalibrationPageMachine::graphicalViewOpened() {
    if (!controls().graphicalView) return false;
    m_stopped = true;
    m_switchPending = false;
    return true;
}

bool CalibrationPageMachine::graphicalViewClosed() {
    if (!m_stopped) return false;
    m_stopped = false;
    // The exchange starts over with a fresh retry count: the ECU gets sixteen tries again
    // before the link counts as lost.
    m_lost = false;
    m_outstanding = 0;
    return m_connected;
}

PageAction CalibrationPageMachine::leaveFor(PageExit target) {
    PageAction a;
    if (!m_connected) {
        a.leave = target;
        return a;
    }
    const bool alreadyLeaving = leaving();
    const bool askedDuringWrite = m_deferred != PageExit::Stay;
    if (m_writing) {
        // Leaving in the middle of a write would leave a half-written breakpoint row in the
        // ECU; with the link alive the write ends within seconds, so the page leaves then.
        // Asked again (or with the link lost) the rest of the write is not sent.
        if (!m_lost && !askedDuringWrite) {
            m_deferred = target;
            return a;
        }
        m_writing = false;
        m_deferred = PageExit::Stay;
        a.abandonWrite = true;
    }
    // A mode request not yet acknowledged may have reached the ECU all the same.
    if (!m_ecuManual && !modeChangePending()) {
        a.leave = target;
        return a;
    }
    // The fitter asked again while the ECU had not confirmed the end of manual calibration,
    // or asked during the write and the ECU no longer answers: waiting for it could keep the
    // fitter on this page for good.
    if (alreadyLeaving || (askedDuringWrite && m_lost)) {
        a.leave = PageExit::ToMainMenu;
        a.manualMayStillBeOn = true;
        return a;
    }
    // Ask the ECU to leave manual calibration first; the page goes when it acknowledges.
    m_state = target == PageExit::ToMainMenu ? CalibrationPageState::LeavingForMenu
                                             : CalibrationPageState::LeavingForAutoCalibration;
    m_modeRequest = Commands::LeaveCalibration;
    m_switchPending = false;
    return a;
}

PageAction CalibrationPageMachine::exitClicked() {
    return leaveFor(PageExit::ToMainMenu);
}

PageAction CalibrationPageMachine::autoCalibrationClicked() {
    if (leaving()) return {};
    return leaveFor(PageExit::ToAutoCalibration);
}

PageAction CalibrationPageMachine::writeFinished() {
    if (!m_writing) return {};
    m_writing = false;
    const PageExit target = std::exchange(m_deferred, PageExit::Stay);
    if (target == PageExit::Stay) return {};
    return leaveFor(target);
}

PageAction CalibrationPageMachine::acknowledged(int command) {
    PageAction a;
    if (command != m_outstanding) return a;
    m_outstanding = 0;
    if (command == Commands::EnterCalibration || command == Commands::LeaveCalibration) {
        m_ecuManual = command == Commands::EnterCalibration;
        m_modeAcknowledged = true;
        if (m_modeRequest == command) m_modeRequest = 0;
    }
    if (command != Commands::LeaveCalibration) return a;
    if (m_state == CalibrationPageState::LeavingForMenu) {
        a.leave = PageExit::ToMainMenu;
    } else if (m_state == CalibrationPageState::LeavingForAutoCalibration) {
        m_state = CalibrationPageState::ManualOff;
        a.leave = PageExit::ToAutoCalibration;
    }
    return a;
}

bool CalibrationPageMachine::liveCoefficient(int kcor) {
    if (m_state != CalibrationPageState::ManualOff) return false;
    m_manualKgb = kcor;
    return true;
}

void CalibrationPageMachine::linkLost() {
    m_lost = true;
    m_switchPending = false;
    m_outstanding = Commands::Version;
}

void CalibrationPageMachine::linkFound() {
    m_lost = false;
}
