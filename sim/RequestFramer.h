#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// Cuts the byte stream a PC sends into request frames: "P", "C", 0x00, length, command,
// payload. A serial line delivers a frame in as many pieces as it likes, so bytes are kept
// until the length byte is satisfied. Noise before a header is skipped, and a frame left
// unfinished when the line has been quiet for longer than the ECU's inter-byte timeout is
// thrown away: at 9600 baud the bytes of one frame are a millisecond apart, so a pause means
// the PC has finished, and a request with too large a length byte must not swallow the next.
class RequestFramer {
public:
    static constexpr int kReceiveTimeoutMs = 50;

    QList<QByteArray> feed(const QByteArray& bytes, qint64 nowMs);
    qsizetype pending() const { return m_buffer.size(); }

private:
    QByteArray m_buffer;
    qint64 m_lastByteMs = 0;
};
