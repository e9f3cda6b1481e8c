#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12. Safe to run again.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config clang-format git python3
  qt6-base-dev qt6-serialport-dev libgl-dev
  xvfb xauth fonts-dejavu-core
  libxlsxwriter-dev libfreexl-dev libzip-dev libpugixml-dev
)
# Spreadsheet programs as peers of the vehicle-archive workbooks: LibreOffice (several hundred
# MB) for the interoperability test and, with Gnumeric for the BIFF5 file LibreOffice no longer
# writes, for scripts/make-workbook-fixtures.sh. Without them that test is skipped and the
# committed fixtures stand in; set TARVEX_WITH_SPREADSHEETS=1 to install them.
if [ "${TARVEX_WITH_SPREADSHEETS:-0}" = 1 ]; then
  packages+=(libreoffice-calc-nogui gnumeric)
fi
# The Debian package: dpkg-dev (dpkg-shlibdeps for its dependencies, dpkg-buildflags for
# Debian's hardening flags) and file, which CPack needs to find the executables; lintian for
# the check of the package. Set TARVEX_WITH_PACKAGING=1 to install them.
if [ "${TARVEX_WITH_PACKAGING:-0}" = 1 ]; then
  packages+=(dpkg-dev file lintian)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
