#!/usr/bin/env bash
# Lays every generated picture out on one sheet, over a checkerboard so that transparency shows.
# Usage: tools/contact_sheet.sh <run directory> <output.png>
set -euo pipefail
run_dir=$1
out=$(realpath -m "$2")
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
cd "$run_dir"
# Scene textures in small tiles, overlay pictures in large ones.
small=$(find textures -maxdepth 2 -type f \( -name '*.png' -o -name '*.jpg' \) -not -path '*/overlays/*' | sort)
large=$(find textures/overlays -type f -name '*.png' | sort)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck disable=SC2086
montage -font "$font" -pointsize 14 -label '%f  %wx%h' $small -texture pattern:checkerboard \
  -background '#6b737c' -geometry 200x200+10+10 -tile 8x "$tmp/small.png"
# shellcheck disable=SC2086
montage -font "$font" -pointsize 16 -label '%f  %wx%h' $large -texture pattern:checkerboard \
  -background '#6b737c' -geometry 512x300+10+10 -tile 4x "$tmp/large.png"
convert "$tmp/small.png" "$tmp/large.png" -background '#6b737c' -gravity center -append +repage "$out"
