#!/usr/bin/env bash
# Builds the Debian package and tries it as a workshop would: installs it with apt, runs the
# installed program's tour as a user of its own whose home is a fresh temporary folder,
# checks that the program wrote nowhere but that home and the tour's folder, runs lintian,
# and removes the package again (a tarvex installed before is removed too). Needs root, as
# CI has: it installs a package and adds a throwaway system user.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() {
  echo "package check: $*" >&2
  exit 1
}
[ "$(id -u)" -eq 0 ] || fail "it installs a package and adds a user: run it as root"
deb=$("$root/scripts/package.sh")
echo "== package $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Installed-Size

echo "== lintian"
# Errors fail the check; the warnings left are printed and explained in the README.
lintian --fail-on error --tag-display-limit 0 "$deb"

user=tarvex-check
work=$(mktemp -d /tmp/tarvex-check.XXXXXX)
home=$work/home
tour=$work/tour
cleanup() {
  userdel "$user" 2>/dev/null || true
  rm -rf "$work"
  if dpkg-query -W -f='${Status}' tarvex 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq tarvex >/dev/null
  fi
}
trap cleanup EXIT

echo "== install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
for f in /usr/bin/tarvex /usr/bin/tarvex-ecu-sim /usr/bin/tarvex-xls-reader \
  /usr/share/tarvex/Config.ini /usr/share/tarvex/Stringhe312.txt \
  /usr/share/applications/tarvex.desktop /usr/share/icons/hicolor/48x48/apps/tarvex.png \
  /usr/share/man/man1/tarvex.1.gz /usr/share/man/man1/tarvex-ecu-sim.1.gz; do
  [ -e "$f" ] || fail "missing after install: $f"
done

# Every library the programs load comes from a package the package depends on, directly or
# not: what dpkg-shlibdeps declared is enough for a bare system.
needed=$(apt-cache depends --recurse --installed --no-recommends --no-suggests \
  --no-conflicts --no-breaks --no-replaces --no-enhances tarvex | grep -v '^ ' | sort -u)
for program in tarvex tarvex-ecu-sim tarvex-xls-reader; do
  ldd "/usr/bin/$program" | awk '/=> \// { print $3 }' | while read -r lib; do
    owner=$(dpkg -S "$lib" 2>/dev/null || dpkg -S "$(readlink -f "$lib")" 2>/dev/null) ||
      fail "$program loads $lib, which no package holds"
    owner=${owner%%:*}
    grep -qx "$owner" <<<"$needed" || fail "$program loads $lib from $owner, not a dependency"
  done
done

echo "== run as a user of its own"
mkdir -p "$home" "$tour"
userdel "$user" 2>/dev/null || true # left by a check that was killed
useradd --system --no-create-home --home-dir "$home" --shell /usr/sbin/nologin "$user"
# A desktop login gives the session a runtime folder of its own (/run/user/UID); without one
# Qt makes /tmp/runtime-USER. Here it lies inside the home, so that it is checked with it.
mkdir -p "$home/.run"
chown "$user:" "$home" "$home/.run" "$tour"
chmod 700 "$home" "$home/.run"
chmod 755 "$work" # mktemp's 700 would keep the user out of its own home
# Nothing of root's environment: only what a login would give, and no display.
as_user() {
  runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" \
    XDG_RUNTIME_DIR="$home/.run" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
# --help and --version need no display.
version=$(dpkg-deb --field "$deb" Version)
[ "$(as_user tarvex --version)" = "tarvex $version" ] || fail "tarvex --version"
[ "$(as_user tarvex-ecu-sim --version)" = "tarvex-ecu-sim $version" ] ||
  fail "tarvex-ecu-sim --version"
as_user tarvex --help | grep -- '--tour' >/dev/null || fail "tarvex --help"
stamp=$work/stamp
touch "$stamp"
sleep 1
as_user QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' \
  tarvex --tour "$tour" >"$work/tour.log" 2>&1 || {
  cat "$work/tour.log"
  fail "the installed program's tour failed"
}
# The start screen found Config.ini and the language file in /usr/share/tarvex: it would
# have said otherwise in a box, which the tour prints (the file's name may be on the next
# line).
if grep -A1 '^\[box\]' "$work/tour.log" | grep -E 'Config\.ini|Stringhe312'; then
  fail "the installed program did not find its shared files"
fi
pictures=$(find "$tour" -name '*.png' | wc -l)
echo "tour: $pictures pictures"
[ "$pictures" -gt 20 ] || fail "the tour saved only $pictures pictures"
# The live screen's log went to the user's documents (the tour deletes the file itself).
[ -d "$home/Documents/TARVEX" ] || fail "no TARVEX folder in the user's documents"

echo "== nothing written outside the home and the tour"
# Whatever changed since the run started, outside those two folders, that the user owns or
# that anyone may write. (Changed since: a system user's number is used again, and so owns
# what an earlier one left.) /dev/shm is a file system of its own.
outside=$(find / /dev/shm -xdev \( -path "$home" -o -path "$tour" \) -prune -o -newer "$stamp" \
  \( -user "$user" -o \( -type f -perm -0002 \) \) -print 2>/dev/null || true)
[ -z "$outside" ] || fail "written outside the home and the tour's folder:
$outside"
echo "home holds:"
(cd "$home" && find . -mindepth 1 | sort | sed 's/^/  /')

echo "== remove"
userdel "$user"
DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq tarvex >/dev/null
for f in /usr/bin/tarvex /usr/share/tarvex /usr/share/applications/tarvex.desktop; do
  [ ! -e "$f" ] || fail "left after removal: $f"
done
echo "package check passed"
