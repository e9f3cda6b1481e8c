#pragma once

#include <QString>

class LanguageTable;

// Loads one section ("[ITA]", "[ING]" or "[TUR]") of the language file into the table.
// Keys the section does not hold keep their previous texts; the message table is blanked
// first. Files written as UTF-8 and legacy single-byte files (Western, and Turkish for the
// Turkish section) are both read.
struct LanguageLoad {
    enum class Status { Loaded, FileMissing, Unreadable, SectionMissing, SectionEmpty };
    Status status = Status::Loaded;
    int entries = 0;      // texts stored from the section
    QString detail;       // what went wrong, for the message shown to the user

    bool ok() const { return status == Status::Loaded; }
};

LanguageLoad SetLingua(LanguageTable& table, const QString& filePath, const QString& marker);

// Decodes one line of a legacy single-byte file: Windows Western, or Windows Turkish.
QString decodeSingleByte(const QByteArray& line, bool turkish);
