#include "ReplyLine.h"

#include <algorithm>

ReplyLine::ReplyLine(const FaultSettings& faults) : m_faults(faults), m_rng(faults.seed) {}

double ReplyLine::chance() {
    // Taken from the raw generator rather than a distribution, whose algorithm may differ
    // between standard libraries: a seed must give the same faults everywhere.
    return static_cast<double>(m_rng() >> 8) / 16777216.0;
}

bool ReplyLine::silentAt(qint64 nowMs) const {
    return m_faults.silenceAfterMs >= 0 && nowMs >= m_faults.silenceAfterMs &&
           nowMs < m_faults.silenceAfterMs + m_faults.silenceForMs;
}

void ReplyLine::send(QByteArray reply, qint64 sentAtMs) {
    if (reply.isEmpty()) return;
    // Four draws for every reply, used or not, so that switching one fault on does not
    // change the pattern of another.
    const double drop = chance();
    const double late = chance();
    const double split = chance();
    const double badLength = chance();
    ++m_counts.sent;
    if (drop < m_faults.dropRate) {
        ++m_counts.dropped;
        return;
    }
    qint64 due = sentAtMs;
    if (m_faults.lateMs > 0 && late < m_faults.lateRate) {
        due += m_faults.lateMs;
        ++m_counts.late;
    }
    due = std::max(due, m_lastDueMs);
    if (badLength < m_faults.badLengthRate && reply.size() >= 4) {
        reply[3] = static_cast<char>(static_cast<unsigned char>(reply.at(3)) + 1);
        ++m_counts.badLength;
    }
    if (split < m_faults.splitRate && reply.size() >= 2) {
        const qsizetype half = reply.size() / 2;
        m_queue.push_back({reply.left(half), due, false});
        due += m_faults.splitGapMs;
        m_queue.push_back({reply.mid(half), due, true});
        ++m_counts.split;
    } else {
        m_queue.push_back({reply, due, false});
    }
    m_lastDueMs = due;
}

QByteArray ReplyLine::take(qint64 nowMs) {
    QByteArray out;
    bool tookAny = false;
    while (!m_queue.empty()) {
        const Chunk& c = m_queue.front();
        if (c.dueMs > nowMs) break;
        if (silentAt(c.dueMs)) {
            ++m_counts.lost;
            m_queue.pop_front();
            continue;
        }
        if (c.ownRead && tookAny) break;
        out += c.bytes;
        tookAny = true;
        m_queue.pop_front();
    }
    return out;
}
