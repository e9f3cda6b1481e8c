#!/usr/bin/env bash
# package.sh [DIR]: builds the Debian package in DIR (build-package by default) and prints the
# path of tarvex_<version>_<arch>.deb. Only what the package holds is built, no tests, with
# Debian's hardening flags; CPack strips the executables and asks dpkg-shlibdeps for the
# dependencies.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-package}
TARVEX_WITH_PACKAGING=1 "$root/scripts/install-deps.sh" >&2
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
"$root/scripts/build.sh" "$dir" -DTARVEX_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >&2
# An old package of another version would be printed too.
rm -f "$dir"/tarvex_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$dir"/tarvex_*.deb
