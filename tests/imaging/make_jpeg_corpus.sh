#!/usr/bin/env bash
# Makes the JPEG files the preview decoder's tests and its fuzzer start from:
# the kinds cameras and phones write (sampling factors, restart intervals,
# greyscale, odd sizes, EXIF and MPF segments) and kinds the decoder leaves
# to others (progressive, arithmetic, CMYK, separate colour scans).
# Usage: make_jpeg_corpus.sh OUTPUT_DIR
set -euo pipefail
out=${1:?output folder}
convert=convert-im6.q16   # /usr/local/bin/convert is not ImageMagick
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Fixed seeds: the same pictures every build.
"$convert" -seed 7 -size 640x480 plasma:fractal "$work/photo.ppm"
"$convert" -seed 99 -size 640x480 plasma:fractal "$work/other.ppm"
"$convert" -seed 3 -size 643x477 plasma:fractal "$work/odd.ppm"
# Four coloured quarters (red, green / blue, white) show where a turn put each corner.
"$convert" -size 128x96 xc:red xc:lime +append "$work/top.ppm"
"$convert" -size 128x96 xc:blue xc:white +append "$work/bottom.ppm"
"$convert" "$work/top.ppm" "$work/bottom.ppm" -append "$work/quarters.ppm"
# A hard horizon: the rows' colour jumps in an intact picture too.
"$convert" -size 320x120 xc:'#203040' -size 320x120 xc:'#f0e8d0' -append "$work/horizon.ppm"

jpeg() {  # name source cjpeg-options...
  local name=$1 source=$2; shift 2
  cjpeg -quality 90 "$@" "$work/$source.ppm" > "$out/$name.jpg"
}
jpeg s422 photo -sample 2x1
jpeg s420 photo -sample 2x2
jpeg s440 photo -sample 1x2
jpeg s444 photo -sample 1x1
jpeg s422-restart-rows photo -sample 2x1 -restart 1
jpeg s420-restart-7 photo -sample 2x2 -restart 7B
jpeg grey photo -grayscale
jpeg grey-restart photo -grayscale -restart 1
jpeg odd420 odd -sample 2x2
jpeg odd422 odd -sample 2x1
jpeg optimized photo -sample 2x1 -optimize
jpeg horizon horizon -sample 2x1
jpeg other other -sample 2x1
jpeg other-optimized other -sample 2x2 -optimize
# Quantisation tables past 8 bits make libjpeg write an extended (SOF1) frame.
cjpeg -quality 4 -sample 2x1 "$work/photo.ppm" > "$out/extended.jpg" 2>/dev/null
jpeg progressive photo -progressive
jpeg arithmetic photo -arithmetic
printf '0;\n1;\n2;\n' > "$work/scans.txt"
jpeg separate-scans photo -scans "$work/scans.txt"
"$convert" "$work/photo.ppm" -colorspace CMYK -quality 90 "$out/cmyk.jpg"
"$convert" "$work/photo.ppm" -density 300 -units PixelsPerInch -quality 90 "$out/jfif-300dpi.jpg"

exif() { exiftool -q -q -overwrite_original -n "$@"; }
cp "$out/s422.jpg" "$out/exif-180dpi.jpg"
exif -IFD0:XResolution=180 -IFD0:YResolution=180 -IFD0:ResolutionUnit=2 "$out/exif-180dpi.jpg"
for o in 1 2 3 4 5 6 7 8; do
  jpeg orientation-$o quarters -sample 2x1
  exif -Orientation=$o "$out/orientation-$o.jpg"
done

# A phone's MPF file: an APP2 "MPF" segment, and after the main picture's
# EOI a second, smaller picture (here the quarters).
{
  head -c 2 "$out/s420.jpg"
  printf '\xff\xe2\x00\x0eMPF\x00MM\x00\x2a\x00\x00\x00\x08'
  tail -c +3 "$out/s420.jpg"
  cat "$out/orientation-1.jpg"
} > "$out/mpf.jpg"
