#pragma once

#include "FaultSettings.h"
#include "LineModel.h"

#include <QByteArray>
#include <deque>
#include <random>

// The wire from the ECU's transmitter to the PC: replies go in with the time their request
// was sent, go out on the line byte by byte at its speed, are gathered into chunks by the USB
// adapter, and come out when a reader looks. The line faults (dropped, split over two reads,
// wrong length byte, late, lost while the cable is pulled) shape them on the way.
//
// Bytes leave in order: the ECU answers one request at a time, so a reply queued behind
// another starts after it, and a reply held back also holds back the ones after it.
//
// Times inside are microseconds: a byte at 9600 baud takes 1.04 ms, and rounding each one to
// a whole millisecond would make a 129-byte block several milliseconds too slow or too fast.
class ReplyLine {
public:
    explicit ReplyLine(const FaultSettings& faults, const LineModel& line = {});

    void setLine(const LineModel& line) { m_line = line; }
    const LineModel& model() const { return m_line; }

    // The ECU's answer to a request of requestBytes bytes that the PC wrote at sentAtMs.
    void send(QByteArray reply, int requestBytes, qint64 sentAtMs);
    // Everything that has reached the PC by nowMs and was not taken yet. One call is one
    // read: the second part of a split reply never comes out in the same read as the first.
    QByteArray take(qint64 nowMs);
    // When the next bytes reach the PC (-1: nothing on its way), so a host can hand them
    // over right then.
    qint64 nextDueMs() const;
    // The cable is out at nowMs: nothing reaches the ECU and nothing comes back.
    bool silentAt(qint64 nowMs) const;
    void clear();
    bool empty() const { return m_queue.empty() && m_open.bytes.isEmpty(); }

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
        qint64 dueUs = 0;
        bool ownRead = false; // must not share a read with what came before it
    };

    double chance();
    // The bytes of `part` leave the ECU from startUs on; returns when the last has left.
    qint64 transmit(const QByteArray& part, qint64 startUs, bool ownRead);
    // One byte has reached the adapter at atUs.
    void reachAdapter(char byte, qint64 atUs, bool ownRead);
    // The adapter hands over what it holds at dueUs.
    void handOver(qint64 dueUs);
    qint64 timerUs() const { return m_openFirstUs + qint64(m_line.chunkMs) * 1000; }

    FaultSettings m_faults;
    LineModel m_line;
    std::mt19937 m_rng;
    std::deque<Chunk> m_queue; // handed over by the adapter, each at its due time
    Chunk m_open;              // held by the adapter, its timer running
    qint64 m_openFirstUs = 0;
    qint64 m_wireFreeUs = 0; // when the ECU's transmitter has sent its last byte
    Counts m_counts;
};
