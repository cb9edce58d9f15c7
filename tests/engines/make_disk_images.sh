#!/usr/bin/env bash
# Makes the disk images the carver tests scan, the originals of the files put on
# them and the stand-in engine's fixtures, as README.md describes them.
# Usage: make_disk_images.sh OUTPUT_DIR
set -euo pipefail
out=${1:?output folder}
convert=convert-im6.q16   # /usr/local/bin/convert is not ImageMagick
export MTOOLS_SKIP_CHECK=1
# Fixed file times on the images, so that each build makes the same bytes.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1700000000}
PATH=$PATH:/usr/sbin:/sbin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The seed comes first so that it applies to the plasma; no time stamps in PNGs:
# the same pictures every time.
jpeg() { "$convert" -seed "$2" -size "${3:-800x600}" plasma:fractal -quality 90 "$1"; }
png() { "$convert" -seed "$2" -size "${3:-320x240}" plasma:fractal -define png:exclude-chunk=date,time "$1"; }

# Writes SHA256SUMS and deleted.txt for a folder of originals.
describe() {
  local dir=$1; shift
  (cd "$dir" && sha256sum -- $(ls | grep -v -e '^SHA256SUMS$' -e '^deleted.txt$') > SHA256SUMS)
  printf '%s\n' "$@" > "$dir/deleted.txt"
}

new_fat16() {  # file size-in-MiB
  rm -f "$1"
  truncate -s "$2M" "$1"
  mkfs.vfat -F 16 --invariant --mbr=n "$1" >/dev/null
}

rm -rf "$out/originals" "$out/fixtures"
mkdir -p "$out/originals/plain" "$out/originals/partitioned" "$out/fixtures/sub"

# plain.img: four JPEGs and a PNG; two JPEGs and the PNG are deleted.
o=$out/originals/plain
for picture in beach:11 forest:12 harbour:13 meadow:14; do jpeg "$o/${picture%:*}.jpg" "${picture#*:}"; done
png "$o/sketch.png" 15
new_fat16 "$work/plain.img" 64
mcopy -i "$work/plain.img" "$o/beach.jpg" "$o/forest.jpg" "$o/harbour.jpg" "$o/meadow.jpg" "$o/sketch.png" ::/
mdel -i "$work/plain.img" ::/forest.jpg ::/meadow.jpg ::/sketch.png
describe "$o" forest.jpg meadow.jpg sketch.png
mv "$work/plain.img" "$out/plain.img"

# partitioned.img: sectors 2048..32767 and 32768..131071 (512-byte sectors).
o=$out/originals/partitioned
for picture in first:21 lake:22 mountain:23 river:24; do jpeg "$o/${picture%:*}.jpg" "${picture#*:}"; done
new_fat16 "$work/part1.img" 15
new_fat16 "$work/part2.img" 48
mcopy -i "$work/part1.img" "$o/first.jpg" ::/
mcopy -i "$work/part2.img" "$o/lake.jpg" "$o/mountain.jpg" "$o/river.jpg" ::/
mdel -i "$work/part2.img" ::/lake.jpg ::/river.jpg
describe "$o" lake.jpg river.jpg
truncate -s 64M "$work/partitioned.img"
sfdisk --quiet "$work/partitioned.img" <<'TABLE'
label: dos
label-id: 0x56544e31
start=2048, size=30720, type=6
start=32768, size=98304, type=6
TABLE
dd if="$work/part1.img" of="$work/partitioned.img" bs=512 seek=2048 conv=notrunc status=none
dd if="$work/part2.img" of="$work/partitioned.img" bs=512 seek=32768 conv=notrunc status=none
mv "$work/partitioned.img" "$out/partitioned.img"

# The stand-in engine's fixtures: what it copies into its output folder, in name order.
f=$out/fixtures
jpeg "$f/a_small.jpg" 31 160x120
jpeg "$f/b_small.jpg" 32 200x150
png "$f/c_small.png" 33 64x48
printf 'A found text file.\r\n' > "$f/d_notes.txt"
: > "$f/empty.dat"
jpeg "$f/sub/e_nested.jpg" 34 120x90
