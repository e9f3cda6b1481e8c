#include "state/LanguageChoice.h"

#include "state/VariabiliGlobali.h"

Result<> loadLanguage(VariabiliGlobali& g, int languageIndex) {
    static const char* const markers[] = {"[ITA]", "[ING]", "[TUR]"};
    const int index = languageIndex >= 1 && languageIndex <= 3 ? languageIndex : 1;
    g.LanguageIndex = index;
    Result<> loaded =
        SetLingua(g.language, g.languageFilePath(), QString::fromLatin1(markers[index - 1]));
    // Shown in every version box while the ECU does not answer; never left blank.
    g.LostLinkText = g.language.text(QStringLiteral("strD000"), QStringLiteral("NO COMUNICAZIONE"));
    return loaded;
}
