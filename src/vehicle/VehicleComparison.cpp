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

Rgb VehicleComparison::shade(int difference) {
    constexpr Rgb Higher[] = {{255, 224, 178}, {255, 183, 77}, {239, 108, 0}, {183, 28, 28}};
    constexpr Rgb Lower[] = {{187, 222, 251}, {100, 181, 246}, {25, 118, 210}, {13, 51, 140}};
    if (difference == 0) return {255, 255, 255};
    const long long size = difference < 0 ? -static_cast<long long>(difference) : difference;
    const int step = size <= 2 ? 0 : size <= 5 ? 1 : size <= 10 ? 2 : 3;
    return difference > 0 ? Higher[step] : Lower[step];
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
