#include "MainMenuMachine.h"

#include "link/Commands.h"

MainMenuMachine::Controls MainMenuMachine::controls() const {
    if (!m_connected) return {true, false};
    switch (m_phase) {
    case Phase::Ready:
        return {true, true};
    case Phase::Exchange:
        // The fuel cannot change while the menu is about to hand over on the ECU's answer.
        return {true, false};
    case Phase::Idle:
    case Phase::Uploading:
    case Phase::Stopped:
        break;
    }
    // Until the upload is done the fuel cannot be chosen: a switch in the middle of it would
    // be overwritten by the upload's own write-back.
    return {false, false};
}

void MainMenuMachine::portFailed() {
    m_phase = Phase::Idle;
}

void MainMenuMachine::uploadStarted() {
    m_calibrationRequested = false;
    m_phase = Phase::Uploading;
}

void MainMenuMachine::uploadEnded(bool valid) {
    m_phase = valid ? Phase::Ready : Phase::Stopped;
}

ScreenId MainMenuMachine::screenOf(Button button) {
    switch (button) {
    case Button::Diagnosis:
        return ScreenId::Form9;
    case Button::LiveData:
        break;
    case Button::Calibration:
        return ScreenId::Form16;
    }
    return ScreenId::Form3;
}

int MainMenuMachine::buttonClicked(Button button) {
    // Only "Taratura" asks for the calibration record after the live one.
    m_calibrationRequested = button == Button::Calibration;
    m_phase = Phase::Exchange;
    return button == Button::Diagnosis ? Commands::Diagnosis : Commands::LiveRecord;
}

void MainMenuMachine::buttonFailed() {
    m_calibrationRequested = false;
}

void MainMenuMachine::parametersOpened() {
    m_calibrationRequested = false;
    if (m_phase == Phase::Exchange) m_phase = Phase::Ready;
}

MainMenuMachine::Next MainMenuMachine::handOver(ScreenId next) {
    m_phase = Phase::Ready;
    return {true, 0, next};
}

MainMenuMachine::Next MainMenuMachine::liveRecord() {
    // A late live record must not carry the menu off in the middle of an upload.
    if (m_phase != Phase::Exchange) return {};
    if (!m_calibrationRequested) return handOver(ScreenId::Form3);
    m_calibrationRequested = false;
    // The calibration record is asked for with the coefficient the ECU uses now.
    return {true, Commands::CalibrationLive, ScreenId{}};
}

MainMenuMachine::Next MainMenuMachine::calibrationRecord() {
    if (m_phase != Phase::Exchange) return {};
    return handOver(ScreenId::Form16);
}

MainMenuMachine::Next MainMenuMachine::diagnosis() {
    if (m_phase != Phase::Exchange) return {};
    return handOver(ScreenId::Form9);
}
