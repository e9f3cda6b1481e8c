#include "AutoCalibrationStore.h"

#include "link/WriteReport.h"

#include <QStringList>

void AutoCalibrationStore::start(const std::vector<Write>& writes, WriteSequence::Timing timing) {
    clear();
    std::vector<Write> cells;
    for (const Write& w : writes)
        (w.table ? cells : m_referenceWrites).push_back(w);
    m_timing = timing;
    m_table.start(std::move(cells), WriteSequence::ReadBack::Table, timing);
    m_running = &m_table;
    m_state = State::Writing;
}

WriteSequence* AutoCalibrationStore::running() {
    return m_state == State::Writing ? m_running : nullptr;
}

bool AutoCalibrationStore::partEnded() {
    if (m_state != State::Writing || m_running->isRunning()) return m_state != State::Writing;
    // The references belong to the ECU that took the table, not to one that answered later.
    if (m_running == &m_table && !m_referenceWrites.empty() &&
        m_table.result() != WriteSequence::Result::Abandoned) {
        m_references.start(m_referenceWrites, WriteSequence::ReadBack::Parameters, m_timing);
        m_running = &m_references;
        return false;
    }
    m_running = nullptr;
    m_state = kept(m_table, true) && kept(m_references, !m_referenceWrites.empty())
                  ? State::Verified
                  : State::Unverified;
    return true;
}

QString AutoCalibrationStore::cut(ParameterSet& set, const LanguageTable& language) {
    if (m_state != State::Writing) return QString();
    m_running->interrupt();
    m_running->storeAcknowledged(set);
    m_state = State::Cut;
    return WriteReport::outcome(*m_running, language);
}

bool AutoCalibrationStore::kept(const WriteSequence& part, bool planned) const {
    return !planned || part.result() == WriteSequence::Result::Verified;
}

QString AutoCalibrationStore::text(const LanguageTable& language) const {
    switch (m_state) {
    case State::Idle:
        return QString();
    case State::Writing:
        return WriteReport::progress(*m_running, language);
    case State::Cut:
        return WriteReport::outcome(*m_running, language);
    case State::Verified:
    case State::Unverified:
        break;
    }
    QStringList lines;
    if (!kept(m_table, true)) lines << WriteReport::outcome(m_table, language);
    // References never started (the table went to another ECU) have nothing to report.
    if (m_references.result() != WriteSequence::Result::Idle && !kept(m_references, true))
        lines << WriteReport::outcome(m_references, language);
    if (lines.isEmpty()) lines << WriteReport::outcome(m_table, language);
    return lines.join(QLatin1Char('\n'));
}
