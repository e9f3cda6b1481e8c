#!/usr/bin/env bash
# Regenerates packaging/icons/ from the program's logo: the sizes desktops look up in the
# hicolor theme, scaled down from the 144-pixel logo (never up: a blurred icon is worse than
# a missing size, and desktops scale the 128-pixel one up themselves). Needs ImageMagick
# (apt-get install imagemagick); the PNGs are committed, so building never does.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
logo="$root/src/app/images/logo.png"
out="$root/packaging/icons"
mkdir -p "$out"
for size in 16 22 24 32 48 64 128; do
  # -strip: no time stamps in the files, so a rerun changes nothing.
  /usr/bin/convert "$logo" -filter Lanczos -resize "${size}x${size}" -strip \
    "PNG32:$out/${size}.png"
done
ls -l "$out"
