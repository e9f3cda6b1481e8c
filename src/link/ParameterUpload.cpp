#include "ParameterUpload.h"

#include "params/ParameterChecks.h"
#include "params/ParameterSet.h"

void ParameterUpload::start(Check check) {
    m_check = check;
    m_rounds.reset();
    m_repaired = false;
    m_writeBack.clear();
    m_step = Step::ReadParameters;
}

void ParameterUpload::startWith(std::vector<WriteList::Entry> writes) {
    start();
    if (writes.empty()) return;
    m_writeBack = std::move(writes);
    m_step = Step::WriteBack;
}

bool ParameterUpload::parametersRead(const QByteArray& reply) {
    // A late repeat of the block just read is taken again; the table is asked for after it.
    if (m_step != Step::ReadParameters && m_step != Step::ReadTable) return false;
    const auto block = Commands::decodeParameters(reply);
    if (!block) return false;
    for (int k = 1; k <= ParameterCount; ++k)
        m_set.setValue(k, (*block)[k - 1]);
    m_step = Step::ReadTable;
    return true;
}

bool ParameterUpload::tableRead(const QByteArray& reply) {
    if (m_step != Step::ReadTable) return false;
    const auto table = Commands::decodeTable(reply);
    if (!table) return false;
    for (int j = 1; j <= TableSize; ++j)
        m_set.setKtar(j, (*table)[j - 1]);
    check();
    return true;
}

void ParameterUpload::check() {
    if (m_check == Check::None) {
        m_step = Step::Valid;
        return;
    }
    m_list.resetQueue();
    CheckUploadedParameters(m_set, m_list);
    m_writeBack = m_list.queued();
    if (m_writeBack.empty()) {
        m_step = Step::Valid;
        return;
    }
    m_repaired = true;
    m_step = m_rounds.record(m_writeBack) ? Step::Refused : Step::WriteBack;
}

void ParameterUpload::writtenBack() {
    if (m_step == Step::WriteBack) m_step = Step::ReadParameters;
}
