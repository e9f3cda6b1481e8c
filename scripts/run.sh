#!/usr/bin/env bash
# Installs, builds and starts the program. Without arguments it talks to the virtual ECU;
# give a port to talk to a real one, e.g.  scripts/run.sh --port-name /dev/ttyUSB0
# Only the program is built (its virtual ECU is inside it): scripts/test.sh builds the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -- tarvex
if [ $# -eq 0 ]; then
  set -- --simulate
fi
exec "$root/build/bin/tarvex" "$@"
