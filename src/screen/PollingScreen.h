#pragma once

#include "screen/FormBase.h"

class StatusLine;
class QLineEdit;

// A screen that shows what the ECU reports by polling one request for as long as it is in
// front (the live data, the diagnosis record). It never shows a value as live that it did not
// receive: without a connection, with a port that did not open and while the link is lost its
// values are shown as not live, and they come back with the first record after the ECU
// answers again.
//
// A lost link is told once per loss, never as a box that comes back on every poll; the screen
// keeps polling with the version request every 2 s, and the version reply puts the screen's
// own request back in force.
class PollingScreen : public FormBase {
    Q_OBJECT
public:
    // What the screen shows was received from the ECU and the link still answers.
    bool isLive() const { return m_live; }

protected:
    PollingScreen(ScreenId id, FormContext& context);

    // Opens the port and polls `request` on every tick, when the program works connected.
    // False when it does not: nothing will be received, and a port that did not open has
    // been told with the device and the reason.
    bool startPolling(const ExchangeCycle::Request& request);

    // The screen's record arrived and was shown: the values are live (again).
    void received();

    // Shows the values as live or not; called on every change. A screen that is not live
    // greys its values and paints its not-live look.
    virtual void showLive(bool live) = 0;
    // Tells the user the ECU does not answer; `reason` names a port or device that failed,
    // empty when the line went silent. By default: the message line.
    virtual void showLinkLost(const QString& reason);
    // The ECU answers again (or the screen opened on a working link).
    virtual void showLinkBack();

    // The screen's message line: what went wrong on it. Hidden while there is nothing to say.
    StatusLine* messageLine() const { return m_message; }
    void showMessage(const QString& text);
    void clearMessage();

    // A read-only box for a value the ECU reports, wide enough for `digits` characters.
    QLineEdit* valueBox(const QString& name, int digits = 6);
    // Puts a value into its box; a box whose text stays the same is not repainted.
    static void setValue(QLineEdit* box, const QString& text);

private:
    void setLive(bool live);

    StatusLine* m_message;
    bool m_live = false;
};
