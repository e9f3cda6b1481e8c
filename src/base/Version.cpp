#include "Version.h"

QString programVersion() {
    return QStringLiteral(TARVEX_VERSION);
}

QString versionText(const std::array<int, 3>& version) {
    return QStringLiteral("%1.%2.%3").arg(version[0]).arg(version[1]).arg(version[2]);
}
