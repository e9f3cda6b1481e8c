#include "ParameterUploadCycle.h"

#include "RequestPlan.h"
#include "lang/LanguageTable.h"

ParameterUploadCycle::ParameterUploadCycle(ExchangeCycle& cycle, const RequestPlan& plan,
                                           ParameterSet& set, WriteList& list,
                                           const Commands::EcuVersion& version, Hooks hooks)
    : m_cycle(cycle), m_plan(plan), m_version(version), m_hooks(std::move(hooks)),
      m_upload(set, list) {
    cycle.on(Commands::ReadParameters,
             [this](const QByteArray& reply) { return parametersReply(reply); });
    cycle.on(Commands::ReadTable, [this](const QByteArray& reply) { return tableReply(reply); });
}

void ParameterUploadCycle::start(ParameterUpload::Check check,
                                 std::vector<WriteSequence::Write> writes) {
    if (writes.empty())
        m_upload.start(check);
    else
        m_upload.startWith(std::move(writes));
    m_running = true;
    m_cycle.send(m_plan.request(Commands::ReadParameters));
    next();
}

ParameterUploadCycle::Outcome ParameterUploadCycle::parametersReply(const QByteArray& reply) {
    // Only while the upload runs: a block that turns up for another of the screen's
    // operations (a bulk write's read-back is its sequence's) must not land in the set.
    if (!m_running || !m_upload.parametersRead(reply)) return Outcome::Rejected;
    if (m_hooks.parametersRead) m_hooks.parametersRead();
    m_cycle.send(m_plan.request(Commands::ReadTable));
    return Outcome::Next;
}

ParameterUploadCycle::Outcome ParameterUploadCycle::tableReply(const QByteArray& reply) {
    if (!m_running || !m_upload.tableRead(reply)) return Outcome::Rejected;
    return next();
}

ParameterUploadCycle::Outcome ParameterUploadCycle::next() {
    switch (m_upload.step()) {
    case ParameterUpload::Step::ReadParameters:
    case ParameterUpload::Step::ReadTable:
        return Outcome::Next;
    case ParameterUpload::Step::WriteBack:
        break;
    case ParameterUpload::Step::Valid:
    case ParameterUpload::Step::Refused:
        m_running = false;
        return m_hooks.finished ? m_hooks.finished(m_upload.step()) : Outcome::End;
    }
    if (m_upload.repaired() && m_hooks.repairing) m_hooks.repairing();
    // Nothing to read back: the upload that follows is the read-back, and checks it too.
    m_writes.start(m_upload.writeBack(), WriteSequence::ReadBack::None, m_plan.writeTiming());
    m_writes.expectSameEcu(m_version);
    m_cycle.run(m_writes, [this] {
        m_upload.writtenBack();
        m_cycle.send(m_plan.request(Commands::ReadParameters));
        return Outcome::Next;
    });
    return Outcome::Next;
}

QString ParameterUploadCycle::refusedText(const LanguageTable& language) const {
    return language.text(
               QStringLiteral("F02_T05"),
               QStringLiteral(
                   "La centralina non accetta i valori di default di questi parametri:")) +
           QLatin1Char('\n') + m_upload.refusedText();
}
