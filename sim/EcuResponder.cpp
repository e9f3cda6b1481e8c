#include "EcuResponder.h"

namespace {

void putByte(QByteArray& out, int v) {
    out.append(static_cast<char>(static_cast<unsigned>(v) & 0xFFu));
}

// Words leave the ECU high byte first; negative temperatures as two's complement.
void putWord(QByteArray& out, int v) {
    const unsigned u = static_cast<unsigned>(v) & 0xFFFFu;
    putByte(out, static_cast<int>(u >> 8));
    putByte(out, static_cast<int>(u & 0xFFu));
}

} // namespace

EcuResponder::EcuResponder(EcuMemory& memory, EngineState& engine)
    : m_memory(memory), m_engine(engine) {}

QByteArray EcuResponder::reply(int command, const QByteArray& data) const {
    QByteArray out;
    out.append('P');
    out.append('C');
    out.append('\0');
    putByte(out, 5 + data.size());
    putByte(out, command);
    out.append(data);
    return out;
}

QByteArray EcuResponder::respond(const QByteArray& request) {
    if (request.size() < 5 || request.at(0) != 'P' || request.at(1) != 'C' || request.at(2) != 0)
        return {};
    const int length = static_cast<unsigned char>(request.at(3));
    if (length != request.size()) return {};
    ++m_requests;
    const int command = static_cast<unsigned char>(request.at(4));
    auto at = [&request](int pos) { return static_cast<unsigned char>(request.at(pos - 1)); };
    // The ECU acts on a state-changing request before it answers, so a command-10 reply
    // already reports the coefficient that request carried.
    auto act = [this, command, &request] {
        if (onCommand) onCommand(command, request);
    };
    QByteArray d;
    switch (command) {
    case 7: // software version
        for (auto b : m_memory.version)
            putByte(d, b);
        break;
    case 1: // parameter block
        for (int k = 1; k <= 62; ++k)
            putWord(d, m_memory.words[k]);
        break;
    case 8: // correction table
        for (int j = 1; j <= 64; ++j)
            putByte(d, m_memory.table[j]);
        break;
    case 2: { // write one parameter word: 0x00, id, high, low
        if (length != 9) return {};
        const int id = at(7);
        if (id >= 1 && id <= 62 && !m_memory.refusedIds.count(id))
            m_memory.words[id] = static_cast<std::uint16_t>(at(8) * 256 + at(9));
        break;
    }
    case 9: { // write one table byte: index, value
        if (length != 7) return {};
        const int j = at(6);
        if (j >= 1 && j <= 64 && !m_memory.refusedIds.count(62 + j)) m_memory.table[j] = at(7);
        break;
    }
    case 3: { // live record, bytes 6..75
        const EngineState& e = m_engine;
        putWord(d, e.pressure1);      // 6-7
        putWord(d, e.pressure2);      // 8-9
        putWord(d, e.lambdaMv);       // 10-11
        putWord(d, 0);                // 12-13 second probe
        putWord(d, e.lambdaMeanMv);   // 14-15
        putWord(d, e.gasTemperature); // 16-17
        putWord(d, 0);                // 18-19
        putWord(d, 0);                // 20-21
        putWord(d, e.levelInputMv);   // 22-23
        putWord(d, 0);                // 24-25
        putWord(d, 0);                // 26-27
        putWord(d, e.rpm);            // 28-29
        for (int v : e.petrolTinj)    // 30-45
            putWord(d, v);
        for (int v : e.gasTinj) // 46-61
            putWord(d, v);
        putByte(d, e.ktab);             // 62
        putByte(d, e.kcor);             // 63
        putByte(d, e.ecuState);         // 64
        putByte(d, e.onPetrol ? 1 : 0); // 65
        putByte(d, 0);                  // 66
        putByte(d, e.levelCode);        // 67
        putByte(d, 0);                  // 68
        putWord(d, 0);                  // 69-70
        for (int i = 0; i < 5; ++i)     // 71-75
            putByte(d, 0);
        break;
    }
    case 10: { // calibration live record, bytes 6..30; byte 6 of the request is the coefficient
        if (length != 6) return {};
        act();
        const EngineState& e = m_engine;
        putWord(d, e.lambdaMv);         // 6-7
        putWord(d, e.lambdaMeanMv);     // 8-9
        putByte(d, e.kcor);             // 10
        putByte(d, e.ecuState);         // 11
        putByte(d, e.onPetrol ? 1 : 0); // 12
        putWord(d, e.pressure1);        // 13-14
        putWord(d, e.pressure2);        // 15-16
        putWord(d, e.gasTemperature);   // 17-18
        putWord(d, e.rpm);              // 19-20
        putWord(d, e.petrolTinjMean);   // 21-22
        putWord(d, e.gasTinjMean);      // 23-24
        putWord(d, 0);                  // 25-26
        putWord(d, 0);                  // 27-28
        putWord(d, e.levelInputMv);     // 29-30
        break;
    }
    case 15: // diagnosis, 17 words
        for (int v : m_engine.diagnosis)
            putWord(d, v);
        break;
    case 5: // back to the factory set
        m_memory.restoreFactory();
        break;
    case 4:
    case 11:
    case 12:
        act();
        break;
    default:
        return {};
    }
    return reply(command, d);
}
