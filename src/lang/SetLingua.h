#pragma once

#include <QString>

class LanguageTable;

// Loads one section ("[ITA]", "[ING]" or "[TUR]") of the language file into the table.
// Keys the section does not hold keep their previous texts; the message table is blanked
// first. Files written as UTF-8 and legacy single-byte files (Western, and Turkish for the
// Turkish section) are both read.
// False when the file is missing or unreadable, or holds no such section or an empty one;
// `error` then says so in words for the user (the texts already loaded stay).
bool SetLingua(LanguageTable& table, const QString& filePath, const QString& marker,
               QString* error = nullptr);

// Decodes one line of a legacy single-byte file: Windows Western, or Windows Turkish.
QString decodeSingleByte(const QByteArray& line, bool turkish);
