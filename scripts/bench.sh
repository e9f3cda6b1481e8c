#!/usr/bin/env bash
# Installs, builds and prints the program's figures against the virtual ECU over a
# pseudo-terminal: exchange timings, CPU and memory. Give names to run only some:
#   scripts/bench.sh upload repair idle live
# "line" runs every screen at 9600 baud behind adapters of 5, 16 and 40 ms and watches each
# polling screen for 60 s (about half an hour in all); TARVEX_BENCH_LINE_SECONDS=5 shortens it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
export QT_LOGGING_RULES="qt.qpa.*=false"
exec "$root/build/bin/tarvex-bench" "$@"
