#include "RequestFramer.h"

namespace {
const QByteArray kHeader("PC\0", 3);
}

QList<QByteArray> RequestFramer::feed(const QByteArray& bytes, qint64 nowMs) {
    if (!m_buffer.isEmpty() && nowMs - m_lastByteMs > kReceiveTimeoutMs) m_buffer.clear();
    if (!bytes.isEmpty()) m_lastByteMs = nowMs;
    m_buffer += bytes;

    QList<QByteArray> frames;
    for (;;) {
        // Skip to the next possible header; keep a tail that may be the start of one.
        const qsizetype at = m_buffer.indexOf(kHeader);
        if (at < 0) {
            qsizetype keep = 0;
            if (m_buffer.endsWith(kHeader.left(2)))
                keep = 2;
            else if (m_buffer.endsWith(kHeader.left(1)))
                keep = 1;
            m_buffer = m_buffer.right(keep);
            break;
        }
        m_buffer.remove(0, at);
        if (m_buffer.size() < 4) break;
        const int length = static_cast<unsigned char>(m_buffer.at(3));
        if (length < 5) {
            m_buffer.remove(0, 1);
            continue;
        }
        if (m_buffer.size() < length) break;
        frames.append(m_buffer.left(length));
        m_buffer.remove(0, length);
    }
    return frames;
}
