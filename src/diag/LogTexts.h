#pragma once

#include <QString>

class LanguageTable;

// The messages of the acquisition log a fitter may read, from the language file with the
// Italian text as fallback.
namespace LogTexts {

enum Id {
    InvalidName,      // "Nome del file di log non valido"
    ReservedName,     // detail: a device name such as CON or COM1
    RefusedCharacter, // detail: a character some file system refuses
    RefusedEnding,    // detail: a name ending in a dot or blank
    CannotOpen,       // "Impossibile aprire il file di log"
    CannotWrite,      // "Errore di scrittura sul file di log, acquisizione interrotta"
};

QString text(Id id, const LanguageTable& language);

// "text: subject (detail)", the form of every log message; without detail "text: subject".
QString message(Id id, const LanguageTable& language, const QString& subject,
                const QString& detail = QString());

} // namespace LogTexts
