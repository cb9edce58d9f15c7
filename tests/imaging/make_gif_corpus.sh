#!/usr/bin/env bash
# GIFs written by another encoder (ImageMagick) for the GIF decoder's tests
# and the fuzzer's seeds: real LZW data, codes widening to 12 bits, a full
# table, interlaced rows and a transparent colour.
#   make_gif_corpus.sh OUT_DIR
set -euo pipefail
out=${1:?output folder}
convert=convert-im6.q16   # /usr/local/bin/convert is not ImageMagick
mkdir -p "$out"
"$convert" -size 320x200 -seed 7 plasma:fractal -colors 256 "$out/plasma.gif"
"$convert" -size 120x90 -seed 3 plasma:fractal -colors 200 -interlace GIF "$out/interlaced.gif"
"$convert" -size 97x13 pattern:checkerboard "$out/checker.gif"
"$convert" -size 1x1 xc:'#3060A0' "$out/pixel.gif"
"$convert" -size 40x30 xc:red +antialias -fill blue -draw 'rectangle 10,5 29,24' -transparent red "$out/transparent.gif"
