#!/usr/bin/env bash
# Installs, builds and runs every test twice: a normal build, and one with AddressSanitizer
# and UndefinedBehaviorSanitizer. Warnings are errors in both. Then, as root (CI), builds the
# Debian package and checks it installed (scripts/check-package.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The vehicle archive is tested against a real spreadsheet program as well.
TARVEX_WITH_SPREADSHEETS=1 TARVEX_WITH_PACKAGING=1 "$root/scripts/install-deps.sh"
echo "== format"
(cd "$root" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror)
export QT_QPA_PLATFORM=offscreen
# The offscreen platform warns about every window it cannot raise; that is not news.
export QT_LOGGING_RULES="qt.qpa.*=false"
for variant in normal sanitize; do
  dir="$root/build-ci-$variant"
  opts=(-DTARVEX_WERROR=ON)
  [ "$variant" = sanitize ] && opts+=(-DTARVEX_SANITIZE=ON)
  echo "== $variant build"
  "$root/scripts/build.sh" "$dir" "${opts[@]}"
  echo "== $variant tests"
  (cd "$dir" && ctest --output-on-failure --timeout 600)
done
if [ "$(id -u)" -eq 0 ]; then
  echo "== package"
  "$root/scripts/check-package.sh"
else
  echo "== package check skipped: it installs a package and adds a user, so it needs root"
fi
