#!/usr/bin/env bash
# Makes the camera-like JPEGs the thumbnails section decodes: 12 and 24 MP,
# 4:2:2 with a restart marker every row of MCUs (as many cameras write) and
# 4:2:0 without, from an enlarged plasma with grain so that each file is as
# large as a camera's at this quality.
# Usage: make_camera_jpegs.sh OUTPUT_DIR   (kept and reused by tools/bench.sh)
set -euo pipefail
out=${1:?output folder}
convert=convert-im6.q16   # /usr/local/bin/convert is not ImageMagick
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 4000x3000 6000x4000; do
  "$convert" -seed 11 -size 1000x750 plasma:fractal -resize "$size!" -seed 11 -attenuate 0.5 +noise Gaussian \
    "$work/photo.ppm"
  cjpeg -quality 92 -sample 2x1 -restart 1 "$work/photo.ppm" > "$out/$size-422-restart.jpg"
  cjpeg -quality 92 -sample 2x2 "$work/photo.ppm" > "$out/$size-420.jpg"
done
