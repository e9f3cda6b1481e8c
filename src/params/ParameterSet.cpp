#include "ParameterSet.h"

#include "ParameterTable.h"

std::int32_t ParameterSet::value(int id) const {
    return id >= 1 && id <= ParameterCount ? m_values[id] : 0;
}

void ParameterSet::setValue(int id, std::int32_t v) {
    if (id >= 1 && id <= ParameterCount) m_values[id] = v;
}

std::int32_t ParameterSet::ktar(int entry) const {
    return entry >= 1 && entry <= TableSize ? m_table[entry] : 0;
}

void ParameterSet::setKtar(int entry, std::int32_t v) {
    if (entry >= 1 && entry <= TableSize) m_table[entry] = v;
}

void SetParameterDefaults(ParameterSet& set) {
    for (const ParameterInfo& p : ParameterTable::all())
        set.setValue(p.id, p.defaultValue);
    for (int j = 1; j <= TableSize; ++j)
        set.setKtar(j, TableDefault);
}
