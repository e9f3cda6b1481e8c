#pragma once

#include <QByteArray>
#include <QList>

// Cuts the bytes read from the line into reply frames, across reads: a reply that is still
// arriving when a tick reads is kept for the next read instead of being thrown away.
//
// A frame starts with "P", "C", 0x00 and is as long as its fourth byte says. Bytes before a
// header are noise and are dropped; so is a frame whose length byte runs it into bytes that
// are not the start of the next frame (its length byte is wrong), and the search for a header
// starts again one byte further on. An ECU that fills the three leading bytes with something
// else is still understood when its reply comes alone and whole, as it always was.
class ReplyFramer {
public:
    struct Taken {
        QList<QByteArray> frames; // whole frames, in the order they came
        int droppedBytes = 0;     // noise and frames with a wrong length byte
    };

    void feed(const QByteArray& bytes) { m_buffer += bytes; }
    Taken take();
    // Part of a frame is held: a header, or a header and fewer bytes than its length byte says.
    bool pending() const { return !m_buffer.isEmpty(); }
    // Bytes the held frame still lacks; `expected` stands in for a length byte not yet read.
    int missing(int expected) const;
    void clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
};
