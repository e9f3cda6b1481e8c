#pragma once

#include "FaultSettings.h"

#include <QByteArray>
#include <deque>
#include <random>

// The wire from the ECU's transmitter to the PC: replies go in with the time they are
// sent, and come out when a reader looks, shaped by the line faults (dropped, split over
// two reads, wrong length byte, late, lost while the cable is pulled).
//
// Bytes leave in order: a reply held back also holds back the ones after it, as the ECU
// answers one request at a time.
class ReplyLine {
public:
    explicit ReplyLine(const FaultSettings& faults);

    void send(QByteArray reply, qint64 sentAtMs);
    // Everything that has reached the PC by nowMs and was not taken yet. One call is one
    // read: the second part of a split reply never comes out in the same read as the first.
    QByteArray take(qint64 nowMs);
    // The cable is out at nowMs: nothing reaches the ECU and nothing comes back.
    bool silentAt(qint64 nowMs) const;
    void clear() { m_queue.clear(); }
    bool empty() const { return m_queue.empty(); }

    struct Counts {
        int sent = 0;
        int dropped = 0;
        int split = 0;
        int badLength = 0;
        int late = 0;
        int lost = 0; // chunks that fell into a silence
    };
    const Counts& counts() const { return m_counts; }

private:
    struct Chunk {
        QByteArray bytes;
        qint64 dueMs;
        bool ownRead; // must not share a read with what came before it
    };

    double chance();

    FaultSettings m_faults;
    std::mt19937 m_rng;
    std::deque<Chunk> m_queue;
    qint64 m_lastDueMs = 0;
    Counts m_counts;
};
