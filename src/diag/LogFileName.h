#pragma once

#include "LogLines.h"
#include "base/Result.h"

#include <QDateTime>
#include <QString>

class LanguageTable;

// Where a log goes, from the text of the screen's file-name box.
//
// Blank box: `folder` (the user's folder), "TARVEX" (live) or "TaraturaTARVEX" (calibration),
// the date stamp ddMMyyyyHHmmss and ".log". Otherwise the trimmed text with ".log" added
// unless it ends in ".log" already (in any case), taken in `folder` when relative ("\"
// counts as a folder separator too). A name that some file system would refuse, or that
// Windows reads as a device (CON, NUL, COM1, LPT1...), is refused on every platform, so a log
// name that works here works on the fitter's laptop too. The absolute path, or the message for
// the screen.
Result<QString> resolveLogFileName(const QString& boxText, const QString& folder, LogKind kind,
                                   const QDateTime& now, const LanguageTable& language);

// ddMMyyyyHHmmss, digits only.
QString logDateStamp(const QDateTime& now);
