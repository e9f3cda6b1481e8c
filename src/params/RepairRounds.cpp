#include "RepairRounds.h"

#include "ParameterTable.h"

#include <QStringList>

bool RepairRounds::record(const std::vector<WriteList::Entry>& queued) {
    if (!queued.empty() && queued == m_last)
        ++m_same;
    else
        m_same = queued.empty() ? 0 : 1;
    m_last = queued;
    return m_same >= Limit;
}

void RepairRounds::reset() {
    m_last.clear();
    m_same = 0;
}

QString RepairRounds::describe(const std::vector<WriteList::Entry>& entries,
                               const QString& separator) {
    QStringList lines;
    for (const auto& e : entries) {
        QString line;
        if (e.table) {
            line = QStringLiteral("KTAR %1").arg(e.id);
        } else if (const ParameterInfo* p = ParameterTable::find(e.id)) {
            const char* caption = *p->label ? p->label : p->name;
            line = QStringLiteral("%1 (%2)").arg(QString::fromUtf8(caption)).arg(e.id);
        } else {
            line = QStringLiteral("%1").arg(e.id);
        }
        if (!lines.contains(line)) lines << line;
    }
    return lines.join(separator);
}
