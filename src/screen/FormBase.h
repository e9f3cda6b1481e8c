#pragma once

#include "link/ExchangeCycle.h"
#include "link/LinkFactory.h"
#include "link/SerialPorts.h"
#include "state/ScreenHost.h"
#include "state/UserDialogs.h"
#include "state/VariabiliGlobali.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class QLineEdit;
class WriteSequence;

// What every screen is handed: the program-wide state, the host that shows screens, the
// dialogs, and where links come from.
struct FormContext {
    VariabiliGlobali& g;
    ScreenHost& host;
    UserDialogs& dialogs;
    LinkFactory linkFactory;
    // The serial ports the settings dialog offers beside COM1..COM8.
    SerialPortLister serialPorts = systemSerialPorts;
};

// Common ground of the screens: a top-level window known to the ScreenHost, owning its own
// link to the ECU and its own exchange cycle.
class FormBase : public QWidget, public Screen {
    Q_OBJECT
public:
    static constexpr const char* Caption = "SEQUENTIAL INJECTION SYSTEM";
    // How long the first EXIT waits for work the ECU is finishing before the screen leaves
    // anyway.
    static constexpr int ExitPatienceMs = 5000;

    FormBase(ScreenId id, FormContext& context);
    ~FormBase() override;

    ScreenId screenId() const override { return m_id; }
    void showScreen() override;
    void hideScreen() override { hide(); }
    void unloadScreen() override;
    bool isScreenVisible() const override { return isVisible(); }
    QObject* asObject() override { return this; }

    EcuLink& link();
    ExchangeCycle& cycle();

protected:
    // How a screen hears that its ECU is gone and back. A link is lost in two ways, told
    // through the one `lost`: the ECU fell silent (or answered only with replies that could
    // not be used), with an empty `why`; or the adapter vanished, with the device and reason.
    struct LinkWatch {
        std::function<void(const QString& why)> lost;
        // The ECU answers again, or the vanished adapter was opened again.
        std::function<void()> found;
        // Request polled while lost; unset: the version request.
        std::function<ExchangeCycle::Request()> poll;
        // Stop instead of looking for the ECU (the start screen's check): a vanished adapter
        // is not opened again either.
        bool giveUp = false;
    };
    // Wires `watch` into this screen's exchange: told once per loss, the ECU sought at the lost
    // interval, the adapter reopened with the configured port.
    void watchLink(LinkWatch watch);

    // Puts every text that comes from the language file on the screen's controls. A screen
    // calls it once its controls exist, and again when the language changes under it.
    virtual void applyLanguageStrings() {}

    // The screen's own work on unload; the exchange is stopped and the port closed after it.
    virtual void onUnload() {}
    // The window's close button does what the screen's EXIT does, so the program is never
    // left running with every window hidden.
    virtual void onCloseRequested() = 0;
    void closeEvent(QCloseEvent* event) override;

    // Shows `next` and hides this screen, which is shown again as it was left. The exchange
    // stops and the port is closed first: the next screen opens its own.
    void handOverTo(ScreenId next);
    // Shows `next` and unloads this screen; the port is closed first, as above.
    void leaveFor(ScreenId next);
    // As leaveFor, and `notice` (if any) is shown on the next screen's status line: this
    // screen is gone, so what the fitter must know goes where the fitter is now.
    void leaveFor(ScreenId next, const QString& notice);

    // Shows screen `id` over this one, which stays as it is, and hands it `path` to open.
    void showFileIn(ScreenId id, const QString& path);

    // Opens this screen's link with the configured port and settings. False on failure, with
    // the link's error code and text.
    bool openLink();
    // The port for a button's work: open already, opened again through the cycle's reopen
    // after a vanished adapter (so the screen leaves its lost state), or opened now.
    bool ensureLinkOpen();
    void closeLink();
    // EXIT (or the close box) while `writes` may be running. True: the screen is to wait for
    // the end, because the ECU answers and a write is never cut in the middle. False: the
    // screen may leave now; if the link was lost under a running write, the write is cut
    // here, the ParameterSet keeps exactly the writes the ECU confirmed, and `notice` says
    // how many those were.
    //
    // The wait is bounded: a second EXIT, or ExitPatienceMs after the first, leaves at once
    // (the write is cut as above, whatever the link).
    bool holdExitFor(WriteSequence& writes, QString& notice);
    // For a screen's own waits (a restore, a store, an acknowledgement): true the first time
    // EXIT is asked while the ECU answers (the screen waits, and onCloseRequested() comes
    // again when the patience runs out); false once EXIT was asked before: leave now.
    bool exitMayWait();
    bool exitAsked() const { return m_exitAsked; }
    // Still waiting after a later EXIT (for an acknowledgement the screen asked for then):
    // the patience starts again, and onCloseRequested() comes once more when it runs out.
    void restartExitPatience() { m_exitPatience.start(ExitPatienceMs); }
    // The screen is at work the ECU must finish (the close box then asks before leaving).
    virtual bool busyWithEcu() { return m_cycle && m_cycle->runningSequence(); }

    // Runs `writes` on this screen's exchange. After a lost link they resume only on the ECU
    // they started on: same software version and, with `sameBlock` and a set wholly read from
    // the ECU, the parameter block as it was left.
    void runWrites(WriteSequence& writes, bool sameBlock,
                   std::function<ExchangeCycle::Outcome()> finished);
    // After a sequence ended: the set takes what the ECU reported holding (or, abandoned on
    // another ECU, exactly the acknowledged writes, and no longer counts as read from the
    // ECU). With `wholeSet`, a read-back of parameters and table makes the set the ECU's again.
    void settleWrites(const WriteSequence& writes, bool wholeSet);
    // A verified write from its first frame to a settled set: `writes` was started with its
    // list; `progress` is told the progress text now and after each acknowledged write; at
    // the end the set is settled as above and `ended` hears whether everything was verified,
    // with the outcome the fitter reads, and says how the exchange goes on.
    struct VerifiedWrite {
        bool sameBlock = false; // resume only on the parameter block as it was left
        bool wholeSet = false;  // the read-back covers the parameters and the table
        std::function<void(const QString& progress)> progress;
        std::function<ExchangeCycle::Outcome(bool verified, const QString& outcome)> ended;
    };
    void runVerifiedWrite(WriteSequence& writes, VerifiedWrite how);
    // Cuts a running write where it stands: the exchange lets it go, the set keeps exactly
    // the writes the ECU confirmed and no longer counts as read from the ECU. Returns the
    // text naming how many those were.
    QString cutWrites(WriteSequence& writes);

    // The lost-link text with its cause when the ECU answered, but only with unusable replies.
    QString lostLinkNotice(const QString& text) const;

    // Text of a language key, or the design text when the key was never loaded.
    QString lang(const char* key, const QString& design) const;

    // A text box for a whole non-negative number: digits and the editing keys only, pasted
    // text included; at most maxDigits digits. Empty text is the caller's to reject.
    QLineEdit* digitField(const QString& name, int maxDigits = 5);

    template <class W> W* named(W* widget, const QString& name) {
        widget->setObjectName(name);
        return widget;
    }

    FormContext& ctx;
    VariabiliGlobali& g;

private:
    // Before another screen opens its own port: exchange off, port closed, no hourglass.
    void releaseLine();

    ScreenId m_id;
    bool m_exitAsked = false;
    QTimer m_exitPatience;
    std::unique_ptr<EcuLink> m_link;
    std::unique_ptr<ExchangeCycle> m_cycle;
};
