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
    m_version.reset();
    m_expected.reset();
    startPass(m_writes);
}

void WriteSequence::expectSameEcu(Commands::EcuVersion version,
                                  std::optional<Commands::ParameterBlock> before) {
    m_version = version;
    m_expected = before;
}

void WriteSequence::linkLost() {
    if (m_result != Result::Running || !m_version) return;
    if (m_step == Step::CheckVersion || m_step == Step::CheckParameters) {
        m_step = Step::CheckVersion;
        return;
    }
    m_resumeAt = m_step;
    m_step = Step::CheckVersion;
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
    case Step::CheckVersion:
        return {Commands::Version, Commands::frame(Commands::Version), m_timing.readMs};
    case Step::CheckParameters:
        return {Commands::ReadParameters, Commands::frame(Commands::ReadParameters),
                m_timing.readMs};
    }
    return {};
}

WriteSequence::Take WriteSequence::checkIdentity(const QByteArray& reply) {
    if (m_step == Step::CheckVersion) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return Take::Unusable;
        if (*version != *m_version) {
            m_result = Result::Abandoned;
            return Take::Taken;
        }
        m_step = m_expected ? Step::CheckParameters : m_resumeAt;
        return Take::Taken;
    }
    const auto block = Commands::decodeParameters(reply);
    if (!block) return Take::Unusable;
    // The write that was on its way when the link went may have landed or not.
    const Write* inFlight =
        m_resumeAt == Step::Write && m_index < m_pass.size() ? &m_pass[m_index] : nullptr;
    for (int k = 1; k <= ParameterCount; ++k) {
        const int held = (*block)[k - 1];
        if (held == (*m_expected)[k - 1]) continue;
        if (inFlight && !inFlight->table && inFlight->id == k && held == stored(*inFlight))
            continue;
        m_result = Result::Abandoned;
        return Take::Taken;
    }
    m_step = m_resumeAt;
    return Take::Taken;
}

WriteSequence::Take WriteSequence::take(const QByteArray& reply) {
    if (m_result != Result::Running) return Take::NotMine;
    const auto command = Commands::commandOf(reply);
    if (!command || *command != request().command) return Take::NotMine;
    switch (m_step) {
    case Step::CheckVersion:
    case Step::CheckParameters:
        return checkIdentity(reply);
    case Step::Write:
        if (const Write& w = m_pass[m_index];
            m_expected && !w.table && w.id >= 1 && w.id <= ParameterCount)
            (*m_expected)[w.id - 1] = stored(w);
        ++m_index;
        if (!m_rewriting) {
            m_acknowledged = static_cast<int>(m_index);
            if (onProgress) onProgress(m_acknowledged, total());
        }
        if (m_index >= m_pass.size()) afterWrites();
        return Take::Taken;
    case Step::ReadParameters: {
        const auto block = Commands::decodeParameters(reply);
        if (!block) return Take::Unusable; // the read goes out again
        m_readParameters = block;
        if (m_readBack == ReadBack::Both)
            m_step = Step::ReadTable;
        else
            afterRead();
        return Take::Taken;
    }
    case Step::ReadTable: {
        const auto table = Commands::decodeTable(reply);
        if (!table) return Take::Unusable;
        m_readTable = table;
        afterRead();
        return Take::Taken;
    }
    }
    return Take::NotMine;
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
    if (m_result == Result::Abandoned) {
        storeAcknowledged(set);
        return;
    }
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
