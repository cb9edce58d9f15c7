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

# Intact pictures whose rows or blocks change the way damage does: two edges
# one block row apart, off the block grid and under noise; two roofs; a
# header bar that widens; a skyline over a sky.
"$convert" -seed 5 -size 640x480 xc:'#8090a0' -fill '#202020' -draw 'rectangle 0,203 320,480' \
  -fill '#303030' -draw 'rectangle 300,211 640,480' -attenuate 0.5 +noise Gaussian "$work/edges.ppm"
"$convert" -seed 6 -size 640x480 xc:'#8090a0' -fill '#402010' -draw 'polygon 0,200 200,100 400,200' \
  -fill '#503020' -draw 'polygon 180,208 380,108 580,208' -attenuate 0.3 +noise Gaussian "$work/roofs.ppm"
"$convert" -size 640x480 xc:white -fill '#204080' -draw 'rectangle 0,0 400,37' -draw 'rectangle 380,0 640,45' "$work/header.ppm"
"$convert" -size 640x480 gradient:'#87ceeb-#e0f0ff' -fill '#303840' \
  -draw 'rectangle 0,300 90,480 rectangle 90,260 170,480 rectangle 170,308 260,480 rectangle 260,220 330,480' \
  -draw 'rectangle 330,316 430,480 rectangle 430,270 520,480 rectangle 520,324 640,480' "$work/skyline.ppm"

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
jpeg edges edges -sample 1x1
jpeg roofs roofs -sample 2x1
jpeg header header -sample 2x2
jpeg skyline skyline -sample 2x2
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

# Some encoders end the data with a run of 00 or FF before EOI: padding, not data.
{
  head -c -2 "$out/s422.jpg"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xd9'
} > "$out/zeros-before-eoi.jpg"
{
  head -c -2 "$out/s420.jpg"
  printf '\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xd9'
} > "$out/fill-before-eoi.jpg"

# A real picture of 16 bits a sample just within the pixel limit: 9,999 x 9,999
# RGB, which GDI+ would decode to 800 MB and copy; about 600 KB on disk.
python3 - "$out/deep-near-limit.png" <<'PY'
import struct, sys, zlib
width, height = 9999, 9999
row = b"\x00" + b"\x00" * (width * 6)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
ihdr = struct.pack(">IIBBBBB", width, height, 16, 2, 0, 0, 0)
packer = zlib.compressobj(9)
data = b"".join(packer.compress(row) for _ in range(height)) + packer.flush()
with open(sys.argv[1], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", data) + chunk(b"IEND", b""))
PY

# A real picture just over the decode budget that is tiny on disk: a 1-bit
# white PNG of 10,001 x 10,000 (100.01 megapixels) in 25 KB.
python3 - "$out/over-budget.png" <<'PY'
import struct, sys, zlib
width, height = 10001, 10000
row = b"\x00" + b"\xff" * ((width + 7) // 8)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
ihdr = struct.pack(">IIBBBBB", width, height, 1, 0, 0, 0, 0)
with open(sys.argv[1], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(row * height, 9)) + chunk(b"IEND", b""))
PY
