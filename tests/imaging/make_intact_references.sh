#!/usr/bin/env bash
# Lists the photographs the preview decoder must find intact (the camera
# JPEGs of tests/corpus and the JPEG wallpapers Debian installs under
# /usr/share/backgrounds), each with libjpeg's own 1/8 decode beside it.
# Usage: make_intact_references.sh OUTPUT_DIR
set -euo pipefail
out=${1:?output folder}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
list=$out/intact.list
: > "$list.new"
n=0
while IFS= read -r photo; do
  n=$((n + 1))
  djpeg -scale 1/8 -pnm "$photo" > "$out/$n.pnm"
  printf '%s\t%s\n' "$photo" "$n.pnm" >> "$list.new"
done < <({ ls "$here"/../corpus/jpeg-camera/*.jpg; find /usr/share/backgrounds -name '*.jpg' 2>/dev/null | sort; })
mv "$list.new" "$list"
