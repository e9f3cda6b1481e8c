#include "LanguageChoice.h"

#include "VariabiliGlobali.h"

LanguageLoad loadLanguage(VariabiliGlobali& g, int languageIndex) {
    static const char* const markers[] = {"[ITA]", "[ING]", "[TUR]"};
    const int index = languageIndex >= 1 && languageIndex <= 3 ? languageIndex : 1;
    g.LanguageIndex = index;
    const LanguageLoad load =
        SetLingua(g.language, g.languageFilePath(), QString::fromLatin1(markers[index - 1]));
    // Shown in every version box while the ECU does not answer; never left blank.
    g.LostLinkText = g.language.text(QStringLiteral("strD000"), QStringLiteral("NO COMUNICAZIONE"));
    return load;
}

QString languageProblemText(const LanguageLoad& load) {
    switch (load.status) {
    case LanguageLoad::Status::Loaded:
        return {};
    case LanguageLoad::Status::FileMissing:
        return QStringLiteral("File delle lingue non trovato:\n%1\n\nLe schermate restano con i "
                              "testi italiani di base.")
            .arg(load.detail);
    case LanguageLoad::Status::Unreadable:
        return QStringLiteral("File delle lingue non leggibile:\n%1\n\nLe schermate restano con i "
                              "testi italiani di base.")
            .arg(load.detail);
    case LanguageLoad::Status::SectionMissing:
        return QStringLiteral("Il file delle lingue non contiene la sezione %1.\n\nLe schermate "
                              "restano con i testi già caricati.")
            .arg(load.detail);
    case LanguageLoad::Status::SectionEmpty:
        return QStringLiteral("La sezione %1 del file delle lingue è vuota.\n\nLe schermate "
                              "restano con i testi già caricati.")
            .arg(load.detail);
    }
    return {};
}
