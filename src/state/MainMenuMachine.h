#pragma once

#include "ScreenHost.h"

// The main menu's phases and what each event does to them: when the buttons and the fuel
// choice are free, which record a button's exchange asks for next, and where the menu hands
// over. Pure state; the screen runs the upload and the exchange and shows what this says.
class MainMenuMachine {
public:
    enum class Phase {
        Idle,      // not connected, or the port could not be opened
        Uploading, // upload, check and write-back rounds (a fuel change among them)
        Ready,     // a valid set is held; the buttons are released
        Exchange,  // a button's short exchange before handing over
        Stopped,   // the ECU keeps refusing defaults
    };
    // The buttons that ask the ECU for a record before their screen opens.
    enum class Button { Diagnosis, LiveData, Calibration };

    struct Controls {
        bool buttons = true; // Diagnosi, stato vettura, parametri, Taratura
        bool fuel = false;   // GPL / METANO
        bool operator==(const Controls&) const = default;
    };

    // What a record of a button's exchange leads to.
    struct Next {
        bool taken = false;  // false: no exchange asked for it (a late record)
        int request = 0;     // the command to ask for next; 0: none
        ScreenId handOver{}; // with request 0: the screen to hand over to
        bool operator==(const Next&) const = default;
    };

    // Offline the menu works from the defaults: every button opens its screen at once, and
    // there is no fuel to choose.
    explicit MainMenuMachine(bool connected) : m_connected(connected) {}

    Phase phase() const { return m_phase; }
    Controls controls() const;
    // The exchange was under way when the link was lost: it carries on once the ECU answers.
    bool resumesWhenFound() const {
        return m_phase == Phase::Uploading || m_phase == Phase::Exchange;
    }

    // The port could not be opened on arrival: nothing uploaded, so no screen may work on it.
    void portFailed();
    void uploadStarted();
    void uploadEnded(bool valid);

    // Offline: the screen the button opens at once.
    static ScreenId screenOf(Button button);
    // Connected, the port open: the command the button's exchange opens with. Another button
    // pressed while one waits takes its place.
    int buttonClicked(Button button);
    // Its port could not be opened: nothing is asked, and nothing left waiting steers the next.
    void buttonFailed();
    // "Visualizza parametri centralina" hands over at once: an exchange left waiting must not
    // steer the next one.
    void parametersOpened();

    // The records of a button's exchange, decoded.
    Next liveRecord();
    Next calibrationRecord();
    Next diagnosis();

private:
    Next handOver(ScreenId next);

    bool m_connected;
    Phase m_phase = Phase::Idle;
    bool m_calibrationRequested = false;
};
