#include "ExchangeCycle.h"

#include "Commands.h"
#include "LinkState.h"
#include "WriteSequence.h"

bool ExchangeCycle::isAcknowledgement(int command) {
    switch (command) {
    case Commands::WriteParameter:
    case Commands::SwitchFuel:
    case Commands::RestoreDefaults:
    case Commands::WriteTableEntry:
    case Commands::EnterCalibration:
    case Commands::LeaveCalibration:
        return true;
    default:
        return false;
    }
}

ExchangeCycle::ExchangeCycle(EcuLink& link, LinkState& state, QObject* parent)
    : QObject(parent), m_link(link), m_state(state), m_counter(&state.LinkRetryCount) {
    m_timer.setSingleShot(false);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ExchangeCycle::tick);
}

ExchangeCycle::~ExchangeCycle() = default;

void ExchangeCycle::on(int command, Handler handler) {
    m_handlers[command] = std::move(handler);
}

void ExchangeCycle::setDeviceLost(std::function<void(const QString&)> notify,
                                  std::function<bool()> reopen) {
    m_deviceLostNotify = std::move(notify);
    m_reopen = std::move(reopen);
}

void ExchangeCycle::send(Request request) {
    m_state.LinkRequest = request.command;
    m_request = std::move(request);
}

void ExchangeCycle::sendOnce(Request request) {
    m_oneShot = std::move(request);
}

void ExchangeCycle::run(WriteSequence& sequence, std::function<Outcome()> finished) {
    m_sequence = &sequence;
    m_sequenceFinished = std::move(finished);
}

void ExchangeCycle::detach() {
    m_sequence = nullptr;
    m_sequenceFinished = nullptr;
}

void ExchangeCycle::start(int firstDelayMs) {
    // The count starts over with the lost state: a count left high by an earlier exchange
    // would tell a loss on the first unanswered request.
    *m_counter = 0;
    m_deviceLostTold = false;
    m_lostTold = false;
    m_unusableSeen = false;
    m_extended = false;
    m_outstanding = 0;
    m_askedYet = false;
    // Whatever came while nobody was listening belongs to nobody's request.
    m_framer.clear();
    m_timer.start(firstDelayMs);
}

void ExchangeCycle::stop() {
    m_timer.stop();
    // A fuel switch not yet sent must not go out when the screen talks again later.
    m_oneShot.reset();
}

bool ExchangeCycle::handleDeviceLost() {
    // The adapter went away under us: say so once, then look for it every lost interval
    // instead of spinning on a dead line. A screen that gives up on a lost link gives up
    // here too.
    m_oneShot.reset();
    if (!m_deviceLostTold && m_sequence) m_sequence->linkLost();
    if (!m_deviceLostTold && m_deviceLostNotify) {
        m_deviceLostTold = true;
        m_deviceLostNotify(m_link.errorString());
    }
    if (m_lost.giveUp) return false;
    if (!m_reopen || !m_reopen()) {
        m_timer.start(m_lost.intervalMs);
        return false;
    }
    m_deviceLostTold = false;
    return true;
}

bool ExchangeCycle::reopenDevice() {
    if (!m_reopen || !m_reopen()) return false;
    m_deviceLostTold = false;
    return true;
}

std::optional<ExchangeCycle::Outcome> ExchangeCycle::dispatch(const QByteArray& frame) {
    const auto command = Commands::commandOf(frame);
    if (!command) return std::nullopt;
    const bool answersOutstanding = *command == m_outstanding;
    // One acknowledgement for one request: a late duplicate in the same read is not a second.
    if (isAcknowledgement(*command) && !answersOutstanding) return std::nullopt;
    if (answersOutstanding) m_outstanding = 0;
    if (m_sequence) {
        switch (m_sequence->take(frame)) {
        case WriteSequence::Take::NotMine:
            break;
        case WriteSequence::Take::Unusable:
            return Outcome::Rejected;
        case WriteSequence::Take::Taken: {
            if (m_sequence->isRunning()) return Outcome::Next;
            const auto finished = std::move(m_sequenceFinished);
            detach();
            return finished ? finished() : Outcome::End;
        }
        }
    }
    const auto it = m_handlers.find(*command);
    if (it != m_handlers.end()) return it->second(frame);
    // The answer to a request nobody handles (the lost-link poll): the ECU is there.
    if (answersOutstanding) return Outcome::Next;
    return std::nullopt;
}

void ExchangeCycle::arrived() {
    *m_counter = 0;
    m_unusableSeen = false;
    m_lostReason = LostReason::Silence;
    if (m_lostTold) {
        m_lostTold = false;
        if (m_lost.found) m_lost.found();
    }
}

bool ExchangeCycle::receive(bool& waitForRest) {
    waitForRest = false;
    const QByteArray bytes = m_link.readAll();
    if (!bytes.isEmpty()) emit frameReceived(bytes);
    if (!m_askedYet) return false;
    m_framer.feed(bytes);
    const ReplyFramer::Taken taken = m_framer.take();
    bool usable = false;
    if (taken.droppedBytes > 0) m_unusableSeen = true;
    for (const QByteArray& frame : taken.frames) {
        const auto outcome = dispatch(frame);
        if (!outcome || *outcome == Outcome::Rejected) {
            m_unusableSeen = true;
            continue;
        }
        usable = true;
        arrived();
        if (*outcome == Outcome::End || *outcome == Outcome::HandOver) return true;
    }
    if (!m_framer.pending()) return false;
    if (!usable && !m_extended && m_outstanding != 0) {
        // Part of the reply is here and the rest is on its way: wait for it rather than ask
        // again into the middle of it.
        waitForRest = true;
        return false;
    }
    // Still incomplete when its time was up: no answer. What follows of it is noise.
    m_framer.clear();
    m_unusableSeen = true;
    return false;
}

void ExchangeCycle::tick() {
    m_link.waited(m_timer.interval());
    m_timer.stop();

    if (!m_link.isOpen()) {
        *m_counter = 0;
        m_framer.clear();
        if (!m_link.deviceLost()) {
            // Closed on purpose (elsewhere): tick idle, send nothing.
            m_timer.start(m_timer.interval());
            return;
        }
        if (!handleDeviceLost()) return;
    }

    bool waitForRest = false;
    if (receive(waitForRest)) {
        m_timer.stop();
        return;
    }
    if (waitForRest) {
        m_extended = true;
        const int missing = m_framer.missing(Commands::replyLength(m_outstanding));
        m_timer.start(m_line.transferMs(missing) + m_line.adapterLatencyMs + ExtraWaitMarginMs);
        return;
    }

    Request out;
    if (*m_counter > GiveUpCount) {
        m_oneShot.reset();
        if (!m_lostTold) {
            m_lostTold = true;
            m_lostReason = m_unusableSeen ? LostReason::InvalidReplies : LostReason::Silence;
            if (m_sequence) m_sequence->linkLost();
            if (m_lost.notify) m_lost.notify();
        }
        if (m_lost.giveUp) {
            m_timer.stop();
            return;
        }
        out = m_lost.poll ? m_lost.poll()
                          : Request{Commands::Version, Commands::frame(Commands::Version), 0};
        out.intervalMs = m_lost.intervalMs;
    } else {
        ++*m_counter;
        if (m_oneShot) {
            out = *m_oneShot;
            m_oneShot.reset();
        } else {
            out = m_sequence ? m_sequence->request() : m_request;
            m_state.LinkRequest = out.command;
        }
    }
    // The notice may have been a modal box that the screen closed the link from.
    m_extended = false;
    if (!out.frame.isEmpty() && m_link.isOpen()) {
        m_link.write(out.frame);
        m_outstanding = out.command;
        m_askedYet = true;
        emit frameSent(out.frame);
    } else {
        m_outstanding = 0;
    }
    m_timer.start(out.intervalMs);
}
