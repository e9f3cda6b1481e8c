#include "WriteSequence.h"

#include "params/ParameterSet.h"

#include <map>

namespace {

// What the ECU keeps of a value: a word for a parameter, a byte for a table entry.
int stored(const WriteSequence::Write& w) {
    return w.table ? (w.value & 0xFF) : (w.value & 0xFFFF);
}

} // namespace

void WriteSequence::start(std::vector<Write> writes, ReadBack readBack, Timing timing) {
    m_writes = std::move(writes);
    m_readBack = readBack;
    m_timing = timing;
    m_acknowledged = 0;
    m_rewriting = false;
    m_differences.clear();
    m_readParameters.reset();
    m_readTable.reset();
    m_result = Result::Running;
    startPass(m_writes);
}

void WriteSequence::startPass(std::vector<Write> pass) {
    m_pass = std::move(pass);
    m_index = 0;
    m_step = Step::Write;
    if (m_pass.empty()) afterWrites();
}

ExchangeCycle::Request WriteSequence::request() const {
    switch (m_step) {
    case Step::Write: {
        const Write& w = m_pass[m_index];
        return w.table ? ExchangeCycle::Request{Commands::WriteTableEntry,
                                                Commands::writeTableEntry(w.id, w.value),
                                                m_timing.writeMs}
                       : ExchangeCycle::Request{Commands::WriteParameter,
                                                Commands::writeParameter(w.id, w.value),
                                                m_timing.writeMs};
    }
    case Step::ReadParameters:
        return {Commands::ReadParameters, Commands::frame(Commands::ReadParameters),
                m_timing.readMs};
    case Step::ReadTable:
        return {Commands::ReadTable, Commands::frame(Commands::ReadTable), m_timing.readMs};
    }
    return {};
}

bool WriteSequence::take(const QByteArray& reply) {
    if (m_result != Result::Running) return false;
    const auto command = Commands::commandOf(reply);
    if (!command || *command != request().command) return false;
    switch (m_step) {
    case Step::Write:
        ++m_index;
        if (!m_rewriting) {
            m_acknowledged = static_cast<int>(m_index);
            if (onProgress) onProgress(m_acknowledged, total());
        }
        if (m_index >= m_pass.size()) afterWrites();
        return true;
    case Step::ReadParameters: {
        const auto block = Commands::decodeParameters(reply);
        if (!block) return true; // too short: as if nothing came; the read goes out again
        m_readParameters = block;
        if (m_readBack == ReadBack::Both)
            m_step = Step::ReadTable;
        else
            afterRead();
        return true;
    }
    case Step::ReadTable: {
        const auto table = Commands::decodeTable(reply);
        if (!table) return true;
        m_readTable = table;
        afterRead();
        return true;
    }
    }
    return false;
}

void WriteSequence::afterWrites() {
    switch (m_readBack) {
    case ReadBack::None:
        m_result = Result::Written;
        return;
    case ReadBack::Parameters:
    case ReadBack::Both:
        m_step = Step::ReadParameters;
        return;
    case ReadBack::Table:
        m_step = Step::ReadTable;
        return;
    }
}

void WriteSequence::afterRead() {
    // The last value written to an address is the one the ECU should hold.
    std::map<std::pair<bool, int>, Write> expected;
    for (const Write& w : m_writes)
        expected[{w.table, w.id}] = w;
    std::vector<Write> differ;
    for (const auto& [key, w] : expected) {
        std::optional<int> held;
        if (w.table && m_readTable && w.id >= 1 && w.id <= TableSize)
            held = (*m_readTable)[w.id - 1];
        else if (!w.table && m_readParameters && w.id >= 1 && w.id <= ParameterCount)
            held = (*m_readParameters)[w.id - 1];
        // An address the read-back does not cover cannot be judged; it counts as written.
        if (held && *held != stored(w)) differ.push_back(w);
    }
    if (differ.empty()) {
        m_result = Result::Verified;
        return;
    }
    if (m_rewriting) {
        m_differences = std::move(differ);
        m_result = Result::Differences;
        return;
    }
    m_rewriting = true;
    startPass(std::move(differ));
}

void WriteSequence::interrupt() {
    if (m_result == Result::Running) m_result = Result::Interrupted;
}

void WriteSequence::storeReadBack(ParameterSet& set) const {
    if (m_readParameters)
        for (int k = 1; k <= ParameterCount; ++k)
            set.setValue(k, (*m_readParameters)[k - 1]);
    if (m_readTable)
        for (int j = 1; j <= TableSize; ++j)
            set.setKtar(j, (*m_readTable)[j - 1]);
}

void WriteSequence::storeAcknowledged(ParameterSet& set) const {
    for (int i = 0; i < m_acknowledged && i < total(); ++i) {
        const Write& w = m_writes[static_cast<std::size_t>(i)];
        if (w.table)
            set.setKtar(w.id, w.value);
        else
            set.setValue(w.id, w.value);
    }
}
