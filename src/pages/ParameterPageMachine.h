#pragma once

#include "link/WriteSequence.h"
#include "pages/ParameterPage.h"

#include <QHash>
#include <QString>
#include <optional>

class LanguageTable;

// The parameter pages' modes and what each event does to them: which controls are offered,
// what the message line says, which boxes are marked, and when the page leaves. Pure state;
// the page view calls the events from its buttons and its exchange and shows what the
// machine says. The write sequence itself is the machine's; the view runs it on its exchange.
enum class ParameterPagePhase {
    ViewOnly, // not connected: the page can only be looked at
    Read,
    Write,
    Writing, // a write sequence runs; the page's controls wait for it
};

// The message line under the page.
struct ParameterPageMessage {
    enum class Tone { Hidden, Problem, Progress, Done };
    Tone tone = Tone::Hidden;
    QString text;
    bool operator==(const ParameterPageMessage&) const = default;
};

// A box's (or an option group's) mark.
enum class ParameterPageMark {
    None,
    Wrong, // red: rejected by "Modifica", or written and not kept by the ECU
    Sent,  // green: on its way to the ECU
};

struct ParameterPageControls {
    bool editing = false;        // boxes, options, check boxes and the page's own setters
    bool modes = false;          // the read/write pair
    bool writeModeShown = false; // which of the pair is checked
    bool modifica = false;       // Command2
    bool operator==(const ParameterPageControls&) const = default;
};

class ParameterPageMachine {
public:
    using Phase = ParameterPagePhase;
    using Message = ParameterPageMessage;
    using Mark = ParameterPageMark;

    // `language` names the fields and the write's progress; it outlives the machine.
    ParameterPageMachine(PageLayout layout, const LanguageTable& language);

    const ParameterPage& page() const { return m_page; }
    // The page opens: read mode when connected, else view only; nothing marked or said.
    void load(bool connected);

    Phase phase() const { return m_phase; }
    bool isLinkLost() const { return m_lost; }
    // EXIT was asked during the write: the page leaves when it ends.
    bool leavesWhenWritten() const { return m_exitWhenWritten; }
    ParameterPageControls controls() const;
    const Message& message() const { return m_message; }
    Mark mark(const QString& control) const { return m_marks.value(control, Mark::None); }
    const WriteSequence& writes() const { return m_writes; }
    WriteSequence& writes() { return m_writes; }

    // The read/write pair. False (nothing changed) while a write runs or when not connected.
    // Read mode then shows the set again, dropping whatever was typed or chosen.
    bool setMode(bool write);
    // "Modifica" with what the page shows. True: the writes are prepared, and the view opens
    // the port, then calls startWrite() or portFailed(). False: refused; a rejected field is
    // marked and named on the message line, and nothing goes to the ECU.
    bool modifica(const PageValues& values);
    // The port for the write could not be opened: device and reason on the message line.
    void portFailed(const QString& why);
    // The port is open: the prepared writes go out, every box marked as sent.
    void startWrite();
    // The ECU acknowledged another write.
    void writeProgressed();
    // The sequence ended and the set holds what the ECU reported. The boxes of values the ECU
    // did not keep are marked; the message line says how it ended. A notice: EXIT was asked
    // during the write, so the page leaves now and the menu says how the write ended, as the
    // fitter, gone from the page, would not otherwise learn it.
    std::optional<QString> writeEnded();
    // EXIT during a write that the ECU is finishing: the page waits for its end.
    void exitHeld();

    // The ECU stopped answering (`text` says so) or the adapter went away (`text` says why).
    void linkLost(const QString& text);
    // The ECU answers again, or the adapter is back.
    void linkFound();

private:
    QString progress() const;

    ParameterPage m_page;
    const LanguageTable& m_language;
    Phase m_phase = Phase::ViewOnly;
    bool m_connected = false;
    bool m_lost = false;
    bool m_exitWhenWritten = false;
    std::vector<WriteSequence::Write> m_prepared;
    WriteSequence m_writes;
    Message m_message;
    QHash<QString, Mark> m_marks;
};
