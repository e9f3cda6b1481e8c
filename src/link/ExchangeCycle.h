#pragma once

#include "EcuLink.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

struct LinkState;

// The timer-driven exchange every talking screen runs: one tick reads what has arrived,
// dispatches a frame whose length byte matches by its own command byte, counts unanswered
// requests, then builds and sends the next request and re-arms the timer.
//
// A reply is read one tick after its request. There is no receive buffer across ticks: a
// frame split over two ticks is lost and the request is simply repeated.
class ExchangeCycle : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Next,     // handled; send the request LinkRequest now names, in this tick
        End,      // exchange over; timer left off
        HandOver, // the screen is handing over; timer left off
        Rejected, // the frame was not usable (too short for its fields); like no reply
    };
    using Handler = std::function<Outcome(const QByteArray& reply)>;

    struct Request {
        QByteArray frame; // empty: send nothing this tick
        int intervalMs = 200;
    };
    using RequestBuilder = std::function<Request(int linkRequest)>;

    // What happens once more than 15 requests went unanswered.
    struct LostLink {
        int intervalMs = 2000;
        bool giveUp = false;           // stop the exchange instead of polling (start screen)
        std::function<void()> notify;  // tell the user; runs on every lost tick
        // Frame polled while lost; unset means the version request. A poll that returns an
        // empty frame sends nothing.
        std::function<QByteArray()> poll;
    };

    static constexpr int GiveUpCount = 15;

    ExchangeCycle(EcuLink& link, LinkState& state, QObject* parent = nullptr);

    void on(int command, Handler handler);
    void setRequestBuilder(RequestBuilder builder) { m_builder = std::move(builder); }
    void setLostLink(LostLink lost) { m_lost = std::move(lost); }
    // A screen with a retry count of its own (the default is the program-wide one).
    void setRetryCounter(int& counter) { m_counter = &counter; }
    // Told once when the device under an open link vanished; `reopen` is tried on each
    // following tick at the lost interval, and the exchange resumes once it succeeds.
    void setDeviceLost(std::function<void(const QString&)> notify, std::function<bool()> reopen);

    // Arms the timer; the first tick comes after firstDelayMs.
    void start(int firstDelayMs);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    int intervalMs() const { return m_timer.interval(); }

    // One pass of the exchange. The timer calls it; tests call it directly.
    void tick();

    QTimer& timer() { return m_timer; }

signals:
    void frameSent(const QByteArray& frame);
    void frameReceived(const QByteArray& bytes);

private:
    EcuLink& m_link;
    LinkState& m_state;
    int* m_counter;
    QTimer m_timer;
    std::map<int, Handler> m_handlers;
    RequestBuilder m_builder;
    LostLink m_lost;
    std::function<void(const QString&)> m_deviceLostNotify;
    std::function<bool()> m_reopen;
    bool m_deviceLostTold = false;
};
