#pragma once

#include <QString>
#include <array>

// The program's version, as the start screen, --version and every log file show it. It is
// the build's project version and is defined in one place only.
QString programVersion();

// An ECU's version as it is shown and logged: "major.minor.patch".
QString versionText(const std::array<int, 3>& version);
