#include "VehicleArchiveTexts.h"

#include "VehicleArchive.h"
#include "lang/LanguageTable.h"
#include "params/RepairRounds.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString text(const LanguageTable& language, const char* key, const char* italian) {
    return language.text(QString::fromLatin1(key), QString::fromUtf8(italian));
}

QString readError(const VehicleLoad& load, const LanguageTable& l) {
    const QString& file = load.fileName;
    const QString& detail = load.read.detail;
    switch (load.read.error) {
    case WorkbookError::None:
        break;
    case WorkbookError::Unreadable:
        return text(l, "F05_T10", "Impossibile aprire il file %1: %2").arg(file, detail);
    case WorkbookError::EmptyFile:
        return text(l, "F05_T11", "Il file %1 è vuoto.").arg(file);
    case WorkbookError::TooLarge:
        return text(l, "F05_T12", "Il file %1 è troppo grande per una configurazione vettura.")
            .arg(file);
    case WorkbookError::NotWorkbook:
        return text(l, "F05_T13", "Il file %1 non è una cartella di lavoro Excel (.xlsx o .xls).")
            .arg(file);
    case WorkbookError::Damaged:
        return text(l, "F05_T14", "Il file %1 è danneggiato: %2").arg(file, detail);
    case WorkbookError::NoSheet:
        return text(l, "F05_T15", "Il file %1 non contiene nessun foglio di lavoro.").arg(file);
    }
    return {};
}

} // namespace

namespace VehicleArchiveTexts {

QString loadError(const VehicleLoad& load, const LanguageTable& l) {
    switch (load.status) {
    case VehicleLoad::Status::Loaded:
        return {};
    case VehicleLoad::Status::ReadFailed:
        return readError(load, l);
    case VehicleLoad::Status::NoConfiguration:
        return text(l, "F05_T16",
                    "Il file %1 non contiene una configurazione vettura: le celle A1:A62 e "
                    "C1:J8 sono vuote.")
            .arg(load.fileName);
    case VehicleLoad::Status::NotANumber:
        return text(l, "F05_T17",
                    "Il file %1 non è stato caricato: la cella %2 non contiene un "
                    "numero (%3).")
            .arg(load.fileName, load.cell, load.content);
    case VehicleLoad::Status::Fractional:
        return text(l, "F05_T18",
                    "Il file %1 non è stato caricato: la cella %2 contiene un "
                    "numero con decimali (%3).")
            .arg(load.fileName, load.cell, load.content);
    }
    return {};
}

QString replaced(const VehicleLoad& load, const LanguageTable& l) {
    if (!load.ok() || !load.corrected()) return {};
    // A file from an older program can have the whole table out of range: the line names the
    // first few with the value each now takes, and counts the rest, so it stays one line.
    constexpr std::size_t Shown = 6;
    QStringList names;
    for (std::size_t i = 0; i < load.replaced.size() && i < Shown; ++i) {
        const WriteList::Entry& e = load.replaced[i];
        names << QStringLiteral("%1 = %2").arg(RepairRounds::describe({e})).arg(e.value);
    }
    if (load.replaced.size() > Shown)
        names << QStringLiteral("(+%1)").arg(load.replaced.size() - Shown);
    return text(l, "F05_T19", "Parametri sostituiti con il valore di default: %1")
        .arg(names.join(QLatin1String(", ")));
}

QString saveError(const QString& path, const QString& reason, const LanguageTable& l) {
    return text(l, "F05_T20", "Impossibile salvare il file %1: %2")
        .arg(QFileInfo(path).fileName(), reason);
}

QString folderError(const QString& folder, const QString& reason, const LanguageTable& l) {
    return text(l, "F05_T21", "Impossibile creare la cartella %1: %2")
        .arg(QDir::toNativeSeparators(folder), reason);
}

QString saved(const QString& path, const LanguageTable& l) {
    return text(l, "F05_T22", "Configurazione salvata in %1").arg(QDir::toNativeSeparators(path));
}

QString notRead(const LanguageTable& l) {
    return text(l, "F05_T23",
                "Configurazione non letta dalla centralina: rileggerla con \"Rileggi dalla "
                "centralina\" prima di salvarla.");
}

QString notReadToCompare(const LanguageTable& l) {
    return text(l, "F05_T28",
                "Configurazione non letta dalla centralina: rileggerla con \"Rileggi dalla "
                "centralina\" prima di confrontarla.");
}

QString replaceQuestion(const QString& path, const LanguageTable& l) {
    return text(l, "F05_T24", "Il file %1 esiste già. Sostituirlo?")
        .arg(QDir::toNativeSeparators(path));
}

Dialog saveDialog(const LanguageTable& l) {
    return {text(l, "tabEO00", "Salva configurazione vettura"),
            text(l, "F05_T25", "Cartelle di lavoro Excel") + QStringLiteral(" (*.xlsx)")};
}

Dialog loadDialog(const LanguageTable& l) {
    return {text(l, "tabEI00", "Carica configurazione vettura"),
            text(l, "F05_T25", "Cartelle di lavoro Excel") + QStringLiteral(" (*.xlsx *.xls);;") +
                text(l, "F05_T26", "Tutti i file") + QStringLiteral(" (*)")};
}

Dialog compareDialog(const LanguageTable& l) {
    return {text(l, "F05_C11", "Confronta con archivio"), loadDialog(l).filter};
}

} // namespace VehicleArchiveTexts
