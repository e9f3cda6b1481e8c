#pragma once

// The calibration page's modes and what each event does to them: which request the page sends
// next, which controls are enabled, whether the page leaves. Pure state; the screen calls the
// events from its buttons and its exchange handlers and shows what the machine says.

// The numbers are those the program-wide page state has always held.
enum class CalibrationPageState : int {
    ManualOn = 0,                  // the fitter asked for manual calibration
    ManualOff = 1,                 // the ECU calibrates from its table
    LeavingForMenu = 2,            // waiting for the manual-off acknowledgement, then main menu
    LeavingForAutoCalibration = 3, // the same, then the automatic calibration screen
};

// What the page sends on a tick.
struct PageRequest {
    int command = 0;        // Commands::Code; 0: nothing (offline, or the exchange is stopped)
    int coefficient = 0;    // command 10's coefficient byte (ManualKgb)
    bool oneShot = false;   // goes out once per press; never repeated by the retry count
    bool writeStep = false; // the running write sequence's current step, its command its own
    bool operator==(const PageRequest&) const = default;
};

enum class PageExit {
    Stay,
    ToMainMenu,        // close the port, show the main menu, unload the page
    ToAutoCalibration, // close the port, show the automatic calibration screen, unload the page
};

struct PageAction {
    PageExit leave = PageExit::Stay;
    // Leaving without the ECU having confirmed the end of manual calibration: the main menu
    // says that the ECU may still be in it.
    bool manualMayStillBeOn = false;
    // The write sequence was interrupted (the fitter left while the link was lost): the screen
    // reports how many writes the ECU acknowledged.
    bool abandonWrite = false;
    bool operator==(const PageAction&) const = default;
};

struct PageControls {
    bool exit = true;                // Command1 and the close box: always
    bool commuta = false;            // Command2
    bool graphicalView = false;      // Command5
    bool modifica = false;           // Command7
    bool autoCalibration = false;    // Command8
    bool manualToggle = false;       // Command9
    bool manualKgb = false;          // VScroll1 and Text11; not while a write runs
    bool correctiveSpinners = false; // VScroll2, VScroll3, VScroll4; not while a write runs
    bool operator==(const PageControls&) const = default;
};

// A line the page shows because of its mode (language texts in CalibrationTexts).
enum class PageNotice {
    None,
    ExitAfterWrite,        // EXIT was pressed during a write; the page leaves when it ends
    ExitAgainToLeave,      // leaving, but the ECU does not answer: another EXIT leaves anyway
    ExitAtAcknowledgement, // leaving once the ECU confirms the end of manual calibration
};

class CalibrationPageMachine {
public:
    static constexpr int PollIntervalMs = 200;
    static constexpr int ManualKgbMin = 100;
    static constexpr int ManualKgbMax = 150;

    // Page load: ManualOff, ManualKgb follows the ECU's Kcor. Connected, the page polls with
    // command 10 from now on; offline it never sends anything.
    void load(bool connected, int kcor);

    CalibrationPageState state() const { return m_state; }
    int manualKgb() const { return m_manualKgb; }
    bool connected() const { return m_connected; }
    bool isLinkLost() const { return m_lost; }
    bool writing() const { return m_writing; }
    // The mode the ECU last acknowledged (11 on, 12 off); false until then.
    bool ecuManual() const { return m_ecuManual; }
    bool modeAcknowledged() const { return m_modeAcknowledged; }
    // A write started now fills every table cell with ManualKgb (the coefficient being tried).
    bool writesManualKgbTable() const { return m_state == CalibrationPageState::ManualOn; }
    PageControls controls() const;
    PageNotice notice() const;

    // The request to send on this tick without taking it.
    PageRequest request() const;
    // The request to send on this tick: it becomes the outstanding one, and a one-shot is
    // used up. The exchange calls it once per tick while the link is not lost.
    PageRequest takeRequest();

    // The fitter. Each returns false (nothing changed) when the control is not enabled.
    bool manualToggleClicked(); // Command9
    bool commutaClicked();      // Command2
    // VScroll1. Taken only while manual calibration is on; kept within 100..150.
    bool setManualKgb(int value);
    // MODIFICA passed its field checks: the write sequence's steps are sent from now on.
    bool startWrite();
    bool graphicalViewOpened();          // true: stop the exchange and show the view
    bool graphicalViewClosed();          // true: restart the exchange, retry count 0, every 200 ms
    PageAction exitClicked();            // Command1 and the close box
    PageAction autoCalibrationClicked(); // Command8

    // The write sequence ended, verified or not; a leave asked for during it happens now.
    PageAction writeFinished();

    // The ECU. An acknowledgement (4, 11, 12) counts only when it answers the outstanding
    // request; a late or foreign one is ignored.
    PageAction acknowledged(int command);
    // The coefficient of a command-10 reply; true when ManualKgb follows it (ManualOff), so the
    // spinner shows it.
    bool liveCoefficient(int kcor);
    // The exchange declared the link lost (it polls command 7 on its own until an answer).
    void linkLost();
    // The ECU answers again; the page goes on with the request it was repeating.
    void linkFound();

private:
    bool leaving() const;
    bool modeChangePending() const { return m_modeRequest != 0; }
    PageAction leaveFor(PageExit target);

    CalibrationPageState m_state = CalibrationPageState::ManualOff;
    int m_manualKgb = ManualKgbMin;
    bool m_connected = false;
    bool m_lost = false;
    bool m_writing = false;
    bool m_stopped = false; // the graphical view is in front
    bool m_ecuManual = false;
    bool m_modeAcknowledged = false;
    int m_modeRequest = 0;                // 11 or 12 until acknowledged
    bool m_switchPending = false;         // COMMUTA pressed, command 4 not sent yet
    int m_outstanding = 0;                // command of the last request sent; -1 a write step
    PageExit m_deferred = PageExit::Stay; // asked for during a write with the link alive
};
