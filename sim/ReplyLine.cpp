#include "ReplyLine.h"

#include <algorithm>

namespace {
qint64 upToMs(qint64 us) {
    return (us + 999) / 1000;
}
} // namespace

ReplyLine::ReplyLine(const FaultSettings& faults, const LineModel& line)
    : m_faults(faults), m_line(line), m_rng(faults.seed) {}

double ReplyLine::chance() {
    // Taken from the raw generator rather than a distribution, whose algorithm may differ
    // between standard libraries: a seed must give the same faults everywhere.
    return static_cast<double>(m_rng() >> 8) / 16777216.0;
}

bool ReplyLine::silentAt(qint64 nowMs) const {
    return m_faults.silenceAfterMs >= 0 && nowMs >= m_faults.silenceAfterMs &&
           nowMs < m_faults.silenceAfterMs + m_faults.silenceForMs;
}

void ReplyLine::clear() {
    m_queue.clear();
    m_open = {};
}

void ReplyLine::send(QByteArray reply, int requestBytes, qint64 sentAtMs) {
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
    // The request reaches the ECU once its last byte is through; the ECU thinks it over.
    qint64 startUs =
        sentAtMs * 1000 + requestBytes * m_line.byteUs() + qint64(m_line.latencyMs) * 1000;
    if (m_faults.lateMs > 0 && late < m_faults.lateRate) {
        startUs += qint64(m_faults.lateMs) * 1000;
        ++m_counts.late;
    }
    startUs = std::max(startUs, m_wireFreeUs);
    if (badLength < m_faults.badLengthRate && reply.size() >= 4) {
        reply[3] = static_cast<char>(static_cast<unsigned char>(reply.at(3)) + 1);
        ++m_counts.badLength;
    }
    if (split < m_faults.splitRate && reply.size() >= 2) {
        const qsizetype half = reply.size() / 2;
        const qint64 firstEndUs = transmit(reply.left(half), startUs, false);
        m_wireFreeUs =
            transmit(reply.mid(half), firstEndUs + qint64(m_faults.splitGapMs) * 1000, true);
        ++m_counts.split;
    } else {
        m_wireFreeUs = transmit(reply, startUs, false);
    }
}

qint64 ReplyLine::transmit(const QByteArray& part, qint64 startUs, bool ownRead) {
    if (m_line.isInstant()) {
        m_queue.push_back({part, startUs, ownRead});
        return startUs;
    }
    const qint64 byteUs = m_line.byteUs();
    for (qsizetype i = 0; i < part.size(); ++i)
        reachAdapter(part.at(i), startUs + (i + 1) * byteUs, ownRead && i == 0);
    return startUs + part.size() * byteUs;
}

void ReplyLine::reachAdapter(char byte, qint64 atUs, bool ownRead) {
    if (!m_open.bytes.isEmpty() && (ownRead || atUs >= timerUs())) handOver(timerUs());
    if (m_open.bytes.isEmpty()) {
        m_openFirstUs = atUs;
        m_open.ownRead = ownRead;
    }
    m_open.bytes.append(byte);
    if (m_open.bytes.size() >= m_line.chunkBytes) handOver(atUs);
}

void ReplyLine::handOver(qint64 dueUs) {
    m_open.dueUs = dueUs;
    m_queue.push_back(std::move(m_open));
    m_open = {};
}

qint64 ReplyLine::nextDueMs() const {
    if (!m_queue.empty()) return upToMs(m_queue.front().dueUs);
    if (!m_open.bytes.isEmpty()) return upToMs(timerUs());
    return -1;
}

QByteArray ReplyLine::take(qint64 nowMs) {
    const qint64 nowUs = nowMs * 1000;
    if (!m_open.bytes.isEmpty() && timerUs() <= nowUs) handOver(timerUs());
    QByteArray out;
    bool tookAny = false;
    while (!m_queue.empty()) {
        const Chunk& c = m_queue.front();
        if (c.dueUs > nowUs) break;
        if (silentAt(upToMs(c.dueUs))) {
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
