#pragma once

#include <QString>
#include <optional>

class LanguageTable;

// The parameter menu's operations (the ECU's defaults restored, a whole configuration written,
// the set read again) and what each event does to them: which buttons are free, what the
// status line says when one ends, and when the menu leaves. Pure state; the screen runs the
// exchange and calls the events from its buttons and its exchange's handlers.
class ParameterMenuMachine {
public:
    enum class Phase {
        Idle,
        Defaults,  // restore the ECU defaults, then read parameters and table back
        BulkWrite, // every parameter and table entry, then read back and compared
        Reading,   // the whole set read again, checked and repaired as the main menu does
    };

    // What the status line (or, on leaving, the box the fitter reads) says.
    enum class Notice {
        None,
        DefaultsRestored,   // the restore acknowledged and its values read
        ReadAgain,          // the set read again, valid
        Refused,            // read again, but the ECU keeps refusing defaults (named by the screen)
        BulkVerified,       // the bulk write read back as written (the write's own report)
        BulkNotVerified,    // the bulk write ended otherwise (the write's own report)
        ExitWhenDone,       // EXIT waits for the operation; a second EXIT leaves now
        RestoreUnconfirmed, // left before the ECU acknowledged the restore
        RestoreNotRead,     // left after the acknowledgement, before the values were read
    };
    enum class Tone { Progress, Done, Problem };
    static Tone tone(Notice notice);
    // The texts of the notices the machine words itself (not Refused or the bulk write's).
    static QString text(Notice notice, const LanguageTable& language);
    // Asked before a restore: the ECU replaces the car's whole configuration, its tuned table
    // included.
    static QString restoreQuestion(const LanguageTable& language);

    struct Action {
        bool leave = false; // to the main menu, now
        Notice notice = Notice::None;
        // The set is the ECU's again (true), or no longer to be taken for it (false).
        std::optional<bool> fromEcu;
        bool operator==(const Action&) const = default;
    };

    struct Controls {
        bool pages = true;    // the four pages: to look at even without a connection
        bool ecuWork = false; // defaults, archive, save, read again: connected only
        bool operator==(const Controls&) const = default;
    };

    explicit ParameterMenuMachine(bool connected) : m_connected(connected) {}

    Phase phase() const { return m_phase; }
    // No operation runs: a page may open, the buttons are free.
    bool idle() const { return m_phase == Phase::Idle; }
    Controls controls() const;

    // An operation may start: connected, and none running. The restore asks the fitter first
    // (the ECU replaces the car's whole configuration, its tuned table included).
    bool mayBegin() const { return m_connected && idle(); }
    // The port is open and the operation starts; false when it may not.
    bool begin(Phase phase);

    // The ECU acknowledged the restore: true, once, when its values are to be read now.
    bool restoreAcknowledged();
    // The restore's read-back, or the set read again, ended (`valid`: not refused).
    Action uploadEnded(bool valid);
    // The bulk write ended (`verified`: read back as written).
    Action bulkWriteEnded(bool verified);

    // EXIT or the close box. `waiting`: the screen waits for the operation (the ECU answers
    // and this is the first EXIT, or a write the screen holds the exit for). Otherwise it
    // leaves now, and says what a restore left behind.
    Action exitClicked(bool waiting);

private:
    Action ended(Notice notice, std::optional<bool> fromEcu);

    bool m_connected;
    Phase m_phase = Phase::Idle;
    bool m_restoreAcknowledged = false;
    bool m_exitWhenDone = false;
};
