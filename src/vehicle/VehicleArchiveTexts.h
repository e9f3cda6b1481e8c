#pragma once

#include <QString>

class LanguageTable;
struct VehicleLoad;

// What the parameter menu tells the fitter about the archive, in the language loaded, with
// the Italian texts as fallback. Each is empty when there is nothing to tell.
namespace VehicleArchiveTexts {

// Why a file was refused, naming the file and, for a bad value, the first bad cell.
QString loadError(const VehicleLoad& load, const LanguageTable& language);
// The status line after a load that replaced values: which parameters took their default.
QString replaced(const VehicleLoad& load, const LanguageTable& language);
// Why the workbook `path` (the name it was to be written under) was not written.
QString saveError(const QString& path, const QString& reason, const LanguageTable& language);
QString folderError(const QString& folder, const QString& reason, const LanguageTable& language);

} // namespace VehicleArchiveTexts
