#include "VariabiliGlobali.h"

QString VariabiliGlobali::languageFilePath() const {
    return folders.languageFile();
}

QString VariabiliGlobali::configFilePath() const {
    return folders.configFile();
}

QString versionText(const std::array<int, 3>& version) {
    return QStringLiteral("%1.%2.%3").arg(version[0]).arg(version[1]).arg(version[2]);
}
