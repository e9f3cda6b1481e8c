#pragma once

#include "base/Result.h"

#include <QString>

class LanguageTable;

// Loads one section ("[ITA]", "[ING]" or "[TUR]") of the language file into the table.
// Keys the section does not hold keep their previous texts; the message table is blanked
// first. Files written as UTF-8 and legacy single-byte files (Western, and Turkish for the
// Turkish section) are both read.
// Fails when the file is missing or unreadable, or holds no such section or an empty one,
// saying so in words for the user (the texts already loaded stay).
Result<> SetLingua(LanguageTable& table, const QString& filePath, const QString& marker);

// Decodes one line of a legacy single-byte file: Windows Western, or Windows Turkish.
QString decodeSingleByte(const QByteArray& line, bool turkish);
