#include "VehicleComparison.h"

#include "diag/LogLines.h"
#include "lang/LanguageTable.h"
#include "params/ParameterSet.h"
#include "params/ParameterTable.h"

#include <algorithm>

namespace {

bool wasReplaced(const VehicleLoad& load, int id, bool table) {
    return std::any_of(load.replaced.begin(), load.replaced.end(),
                       [&](const WriteList::Entry& e) { return e.id == id && e.table == table; });
}

} // namespace

VehicleComparison VehicleComparison::of(const ParameterSet& ecu, const QString& path,
                                        const LanguageTable& language) {
    return of(ecu, VehicleArchive::load(path), language);
}

VehicleComparison VehicleComparison::of(const ParameterSet& ecu, const VehicleLoad& load,
                                        const LanguageTable& language) {
    VehicleComparison out;
    out.load = load;
    if (!load.ok()) return out;
    ParameterSet file;
    load.image.storeImage(file);
    for (int id = 1; id <= ParameterCount; ++id)
        if (ecu.value(id) != file.value(id))
            out.parameters.push_back({id, parameterName(id, language), ecu.value(id),
                                      file.value(id), wasReplaced(load, id, false)});
    for (int entry = 1; entry <= TableSize; ++entry)
        if (ecu.ktar(entry) != file.ktar(entry))
            out.cells.push_back(
                {entry - 1, ecu.ktar(entry), file.ktar(entry), wasReplaced(load, entry, true)});
    return out;
}

QString VehicleComparison::parameterName(int id, const LanguageTable& language) {
    // Log labels carry the dump's separators: ";Giri commutazione (rpm)=".
    QString name = language.parameterName(LogLines::labelEntryOf(id)).trimmed();
    if (name.startsWith(QLatin1Char(';'))) name.remove(0, 1);
    if (name.endsWith(QLatin1Char('='))) name.chop(1);
    name = name.trimmed();
    if (!name.isEmpty()) return name;
    const ParameterInfo* info = ParameterTable::find(id);
    if (!info) return QString::number(id);
    return QString::fromUtf8(*info->label ? info->label : info->name);
}
