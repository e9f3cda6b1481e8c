#pragma once

#include "VehicleArchive.h"
#include "base/Rgb.h"

#include <QString>
#include <vector>

class LanguageTable;
class ParameterSet;

// A car beside a saved configuration: what loading the workbook would change in the ECU.
// The file's side is the configuration as a load would write it, so a value the file holds
// but the ECU could not take shows as the default that replaces it (`replaced`).
struct VehicleComparison {
    struct Parameter {
        int id;
        QString name; // in the language loaded
        int ecuValue;
        int fileValue;
        bool replaced; // the file's own value was unusable; fileValue is the default
        bool operator==(const Parameter&) const = default;
    };
    struct Cell {
        int cell; // 8 * injection-time row + rpm column, as the calibration page's grid
        int ecuValue;
        int fileValue;
        bool replaced;
        int row() const { return cell / VehicleArchive::TableWidth; }
        int column() const { return cell % VehicleArchive::TableWidth; }
        // Signed, file minus ECU: what the cell would move by.
        int difference() const { return fileValue - ecuValue; }
        bool operator==(const Cell&) const = default;
    };

    // The file as read: its refusal (VehicleArchiveTexts::loadError words it as loading does),
    // or the configuration and the values that were replaced in it.
    VehicleLoad load;
    std::vector<Parameter> parameters; // in id order
    std::vector<Cell> cells;           // in cell order

    bool ok() const { return load.ok(); }
    bool same() const { return ok() && parameters.empty() && cells.empty(); }

    // `ecu`: the configuration the ECU holds, as last read from it.
    static VehicleComparison of(const ParameterSet& ecu, const QString& path,
                                const LanguageTable& language);
    static VehicleComparison of(const ParameterSet& ecu, const VehicleLoad& load,
                                const LanguageTable& language);

    // The shade of a cell that would move by `difference` (file minus ECU): warm where the
    // file is higher, cool where it is lower, deeper by steps as the difference grows (1-2,
    // 3-5, 6-10, more), so a stray cell stands out from a table shifted by one or two.
    // White where they agree.
    static Rgb shade(int difference);

    // A parameter's name in the language loaded (the label of the acquisition logs without
    // its separators); parameters without a label there go by their design caption.
    static QString parameterName(int id, const LanguageTable& language);
};
