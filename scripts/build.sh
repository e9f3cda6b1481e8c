#!/usr/bin/env bash
# build.sh DIR [cmake options...] [-- TARGET...]: configures the project into DIR and builds
# the targets named after "--", or everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
options=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  options+=("$1")
  shift
done
[ $# -gt 0 ] && shift
targets=()
for t in "$@"; do
  targets+=(--target "$t")
done
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$dir" --parallel "${targets[@]}"
