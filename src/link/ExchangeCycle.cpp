#include "ExchangeCycle.h"

#include "Commands.h"
#include "LinkState.h"

ExchangeCycle::ExchangeCycle(EcuLink& link, LinkState& state, QObject* parent)
    : QObject(parent), m_link(link), m_state(state), m_counter(&state.LinkRetryCount) {
    m_timer.setSingleShot(false);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ExchangeCycle::tick);
}

void ExchangeCycle::on(int command, Handler handler) {
    m_handlers[command] = std::move(handler);
}

void ExchangeCycle::setDeviceLost(std::function<void(const QString&)> notify,
                                  std::function<bool()> reopen) {
    m_deviceLostNotify = std::move(notify);
    m_reopen = std::move(reopen);
}

void ExchangeCycle::start(int firstDelayMs) {
    m_deviceLostTold = false;
    m_timer.start(firstDelayMs);
}

void ExchangeCycle::stop() {
    m_timer.stop();
}

void ExchangeCycle::tick() {
    m_timer.stop();

    if (!m_link.isOpen()) {
        *m_counter = 0;
        if (!m_link.deviceLost()) {
            // Closed on purpose (elsewhere): tick idle, send nothing.
            m_timer.start(m_timer.interval());
            return;
        }
        // The adapter went away under us: say so once, then look for it every lost interval
        // instead of spinning on a dead line. A screen that gives up on a lost link gives up
        // here too.
        if (!m_deviceLostTold && m_deviceLostNotify) {
            m_deviceLostTold = true;
            m_deviceLostNotify(m_link.errorString());
        }
        if (m_lost.giveUp)
            return;
        if (!m_reopen || !m_reopen()) {
            m_timer.start(m_lost.intervalMs);
            return;
        }
        m_deviceLostTold = false;
    }

    const QByteArray bytes = m_link.readAll();
    if (!bytes.isEmpty())
        emit frameReceived(bytes);
    if (bytes.size() >= 4) {
        *m_counter = 0;
        const auto length = static_cast<unsigned char>(bytes.at(3));
        const auto command = Commands::commandOf(bytes);
        if (length == bytes.size() && command) {
            const auto it = m_handlers.find(*command);
            if (it != m_handlers.end()) {
                const Outcome outcome = it->second(bytes);
                if (outcome == Outcome::End || outcome == Outcome::HandOver) {
                    m_timer.stop();
                    return;
                }
            }
        }
    }

    QByteArray frame;
    int interval = m_lost.intervalMs;
    if (*m_counter > GiveUpCount) {
        if (m_lost.notify)
            m_lost.notify();
        if (m_lost.giveUp) {
            m_timer.stop();
            return;
        }
        frame = m_lost.poll ? m_lost.poll() : Commands::frame(Commands::Version);
    } else {
        ++*m_counter;
        if (m_builder) {
            const Request request = m_builder(m_state.LinkRequest);
            frame = request.frame;
            interval = request.intervalMs;
        }
    }
    // The notice may have been a modal box that the screen closed the link from.
    if (!frame.isEmpty() && m_link.isOpen()) {
        m_link.write(frame);
        emit frameSent(frame);
    }
    m_timer.start(interval);
}
