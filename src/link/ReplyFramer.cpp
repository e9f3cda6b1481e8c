#include "ReplyFramer.h"

#include <algorithm>

namespace {

const QByteArray kHeader("PC\0", 3);
constexpr int kShortestFrame = 5;

int lengthByte(const QByteArray& bytes) {
    return static_cast<unsigned char>(bytes.at(3));
}

// The bytes could be the first ones of a header (all of it, or the part that came).
bool startsLikeHeader(const QByteArray& bytes) {
    const qsizetype n = std::min<qsizetype>(bytes.size(), kHeader.size());
    return bytes.left(n) == kHeader.left(n);
}

} // namespace

ReplyFramer::Taken ReplyFramer::take() {
    Taken out;
    while (!m_buffer.isEmpty()) {
        const qsizetype at = m_buffer.indexOf(kHeader);
        if (at < 0) {
            if (m_buffer.size() >= kShortestFrame && lengthByte(m_buffer) == m_buffer.size()) {
                out.frames.append(m_buffer);
                m_buffer.clear();
                break;
            }
            // Keep a tail that may be the start of the next header.
            qsizetype keep = std::min<qsizetype>(m_buffer.size(), kHeader.size() - 1);
            while (keep > 0 && !startsLikeHeader(m_buffer.right(keep)))
                --keep;
            out.droppedBytes += static_cast<int>(m_buffer.size() - keep);
            m_buffer = m_buffer.right(keep);
            break;
        }
        if (at > 0) {
            out.droppedBytes += static_cast<int>(at);
            m_buffer.remove(0, at);
        }
        if (m_buffer.size() < 4) break;
        const int length = lengthByte(m_buffer);
        const bool tooShort = length < kShortestFrame;
        if (!tooShort && m_buffer.size() < length) break; // still arriving
        if (tooShort || !startsLikeHeader(m_buffer.mid(length))) {
            // The length byte is wrong: look for the next header past this one's "P".
            out.droppedBytes += 1;
            m_buffer.remove(0, 1);
            continue;
        }
        out.frames.append(m_buffer.left(length));
        m_buffer.remove(0, length);
    }
    return out;
}

int ReplyFramer::missing(int expected) const {
    const int length = m_buffer.size() >= 4 ? lengthByte(m_buffer) : expected;
    return std::max(0, length - static_cast<int>(m_buffer.size()));
}
