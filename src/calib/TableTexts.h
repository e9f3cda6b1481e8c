#pragma once

#include <QString>

class LanguageTable;
struct TablePaste;

// What the calibration page's table tools tell the fitter, in the language loaded, with the
// Italian texts as fallback.
namespace TableTexts {

// Why a paste changed nothing; empty for a paste that went in.
QString pasteRefusal(const TablePaste& paste, const LanguageTable& language);
// The status line after an operation that held cells at 100 or 150; empty when none was.
QString held(int cells, const LanguageTable& language);

} // namespace TableTexts
