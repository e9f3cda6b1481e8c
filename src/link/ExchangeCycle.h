#pragma once

#include "EcuLink.h"
#include "LineTiming.h"
#include "ReplyFramer.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>

struct LinkState;
class WriteSequence;

// The timer-driven exchange every talking screen runs: one tick reads what has arrived,
// dispatches each whole frame by its own command byte, counts unanswered requests, then sends
// the request in force and re-arms the timer.
//
// A reply is read one tick after its request. What arrives is kept across ticks (ReplyFramer):
// a reply still arriving when the tick reads gets the time its missing bytes need on the line,
// once, before the request counts as unanswered; what is left of it then is thrown away.
//
// Only a usable reply answers a request: a whole frame that a handler (or the running write
// sequence) takes, or that answers the request outstanding. Noise, a wrong length byte, a frame
// too short for its fields, a foreign command or a reply never completed count as no answer,
// so an ECU or a cable that keeps answering badly ends in the lost state as silence does.
class ExchangeCycle : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Next,     // handled; send the request in force now, in this tick
        End,      // exchange over; timer left off
        HandOver, // the screen is handing over; timer left off
        Rejected, // the frame was not usable (too short for its fields); like no reply
    };
    using Handler = std::function<Outcome(const QByteArray& reply)>;

    // One request: its frame and how long to wait for the answer before the next tick.
    struct Request {
        int command = 0;  // the frame's command byte; 0 with an empty frame
        QByteArray frame; // empty: send nothing this tick
        int intervalMs = 200;
    };

    // What happens once more than 15 requests went unanswered.
    struct LostLink {
        int intervalMs = 2000;
        bool giveUp = false;          // stop the exchange instead of polling (start screen)
        std::function<void()> notify; // tell the user; once each time the link is lost
        std::function<void()> found;  // the first arrival after a loss
        // Request polled while lost; unset means the version request. A poll with an empty
        // frame sends nothing.
        std::function<Request()> poll;
    };

    static constexpr int GiveUpCount = 15;
    // Beyond the line time of a reply's missing bytes and the adapter's timer.
    static constexpr int ExtraWaitMarginMs = 10;

    // Why the link counts as lost: nothing came, or only replies that could not be used.
    enum class LostReason { Silence, InvalidReplies };

    // Replies that only acknowledge a request. One counts only while its own command is the
    // request outstanding: a late one must not end the request that followed it.
    static bool isAcknowledgement(int command);

    ExchangeCycle(EcuLink& link, LinkState& state, QObject* parent = nullptr);
    ~ExchangeCycle() override;

    void on(int command, Handler handler);
    void setLostLink(LostLink lost) { m_lost = std::move(lost); }
    // A screen with a retry count of its own (the default is the program-wide one).
    void setRetryCounter(int& counter) { m_counter = &counter; }
    // How fast the line carries bytes: the time a reply caught half-way is given.
    void setLineTiming(const LineTiming& timing) { m_line = timing; }
    // Told once when the device under an open link vanished; `reopen` is tried on each
    // following tick at the lost interval, and the exchange resumes once it succeeds.
    void setDeviceLost(std::function<void(const QString&)> notify, std::function<bool()> reopen);
    // The same reopen, asked for now by a button that needs the port: the screen hears that its
    // device is back exactly as when the cycle finds it. False while the device is still away
    // (or no reopen was given).
    bool reopenDevice();

    // The request sent on every tick until a handler puts another in its place; an
    // unanswered request is simply sent again.
    void send(Request request);
    // A request that goes out on the next tick only and is never repeated (the fuel switch
    // toggles, so a second one would undo the first). The request in force follows it.
    void sendOnce(Request request);
    // Withdraws a one-shot not sent yet: the screen no longer wants it (a run stopped before
    // its fuel switch went out).
    void cancelOnce() { m_oneShot.reset(); }
    const Request& request() const { return m_request; }

    // Runs a write sequence: its requests replace the one in force, and the replies it is
    // waiting for go to it. When it finishes, `finished` says how the exchange goes on (it
    // may send() the next request and return Next).
    void run(WriteSequence& sequence, std::function<Outcome()> finished);
    // Detaches the sequence without finishing it (the screen is being left).
    void detach();
    bool runningSequence() const { return m_sequence != nullptr; }

    // Arms the timer with a clean retry count and lost state; the first tick comes after
    // firstDelayMs.
    void start(int firstDelayMs);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    int intervalMs() const { return m_timer.interval(); }
    // More than GiveUpCount requests went unanswered and nothing has arrived since.
    bool isLost() const { return m_lostTold; }
    LostReason lostReason() const { return m_lostReason; }

    // One pass of the exchange. The timer calls it; tests call it directly.
    void tick();

    QTimer& timer() { return m_timer; }

signals:
    void frameSent(const QByteArray& frame);
    void frameReceived(const QByteArray& bytes);

private:
    bool handleDeviceLost();
    std::optional<Outcome> dispatch(const QByteArray& frame);
    void arrived();
    // Reads and dispatches; true when the exchange ended or handed over in a handler.
    bool receive(bool& waitForRest);

    EcuLink& m_link;
    LinkState& m_state;
    int* m_counter;
    QTimer m_timer;
    std::map<int, Handler> m_handlers;
    Request m_request;
    std::optional<Request> m_oneShot;
    int m_outstanding = 0; // command byte of the last frame sent; 0 once answered
    // Nothing sent since the exchange started: what arrives belongs to another screen's
    // request, still on the line when this screen opened its port.
    bool m_askedYet = false;
    ReplyFramer m_framer;
    LineTiming m_line;
    bool m_extended = false;     // the outstanding request had its extra time for a late part
    bool m_unusableSeen = false; // replies that could not be used since the last usable one
    LostReason m_lostReason = LostReason::Silence;
    WriteSequence* m_sequence = nullptr;
    std::function<Outcome()> m_sequenceFinished;
    LostLink m_lost;
    bool m_lostTold = false;
    std::function<void(const QString&)> m_deviceLostNotify;
    std::function<bool()> m_reopen;
    bool m_deviceLostTold = false;
};
