#include "VariabiliGlobali.h"

#include <QDir>

QString VariabiliGlobali::languageFilePath() const {
    return QDir(programDir).filePath(QStringLiteral("Stringhe312.txt"));
}

QString VariabiliGlobali::configFilePath() const {
    return QDir(programDir).filePath(QStringLiteral("Config.ini"));
}

QString versionText(const std::array<int, 3>& version) {
    return QStringLiteral("%1.%2.%3").arg(version[0]).arg(version[1]).arg(version[2]);
}
