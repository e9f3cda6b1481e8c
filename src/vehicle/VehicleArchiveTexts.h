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
QString saved(const QString& path, const LanguageTable& language);
// Only a set the ECU sent whole is saved, or compared with a workbook: this one was not.
QString notRead(const LanguageTable& language);
QString notReadToCompare(const LanguageTable& language);
// Asked when ".xlsx" added to the name typed makes it a file that is already there.
QString replaceQuestion(const QString& path, const LanguageTable& language);

// The file dialogs' title and filter.
struct Dialog {
    QString title;
    QString filter;
};
Dialog saveDialog(const LanguageTable& language);
// Loads take the older .xls too, and any file the fitter insists on (refused with a reason).
Dialog loadDialog(const LanguageTable& language);
// "Confronta con archivio": the files a load takes.
Dialog compareDialog(const LanguageTable& language);

} // namespace VehicleArchiveTexts
