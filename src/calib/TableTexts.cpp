#include "TableTexts.h"

#include "TableClipboard.h"
#include "lang/LanguageTable.h"

namespace {

QString text(const LanguageTable& language, const char* key, const char* italian) {
    return language.text(QString::fromLatin1(key), QString::fromUtf8(italian));
}

} // namespace

namespace TableTexts {

// Pasted text goes into the message in one substitution, so a "%2" in it stays as it is.
QString pasteRefusal(const TablePaste& p, const LanguageTable& l) {
    switch (p.status) {
    case TablePaste::Status::Pasted:
        break;
    case TablePaste::Status::Empty:
        return text(l, "F16_T44", "Dati non incollati: gli appunti non contengono valori.");
    case TablePaste::Status::NotAWholeNumber:
        return text(l, "F16_T40",
                    "Dati non incollati: \"%1\" (riga %2, colonna %3 del testo copiato) non è "
                    "un numero intero.")
            .arg(p.content, QString::number(p.line), QString::number(p.field));
    case TablePaste::Status::Ragged:
        return text(l, "F16_T41",
                    "Dati non incollati: la riga %1 del testo copiato non ha lo stesso numero "
                    "di valori della prima.")
            .arg(p.line);
    case TablePaste::Status::OffTheTable:
        // Cells are named as the grid names them to a screen reader: TINJ row, RPM column.
        return text(l, "F16_T42",
                    "Dati non incollati: un blocco di %1 righe per %2 colonne dalla cella "
                    "TINJ %3 RPM %4 esce dalla tabella 8 × 8.")
            .arg(QString::number(p.rows), QString::number(p.columns),
                 QString::number(qint64(p.top) + 1), QString::number(qint64(p.left) + 1));
    case TablePaste::Status::OutOfRange:
        return text(l, "F16_T43",
                    "Dati non incollati: il valore %1 (riga %2, colonna %3 del testo copiato) è "
                    "fuori dall'intervallo 100..150.")
            .arg(p.content, QString::number(p.line), QString::number(p.field));
    }
    return {};
}

QString held(int cells, const LanguageTable& l) {
    if (cells <= 0) return {};
    return text(l, "F16_T45", "Celle tenute al limite 100..150: %1").arg(cells);
}

} // namespace TableTexts
