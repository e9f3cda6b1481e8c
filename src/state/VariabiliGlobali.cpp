#include "state/VariabiliGlobali.h"

QString VariabiliGlobali::languageFilePath() const {
    return folders.languageFile();
}

QString VariabiliGlobali::configFilePath() const {
    return folders.configFile();
}
