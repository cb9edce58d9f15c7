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

# damaged.img: a FAT32 card of five deleted camera-like photos (4:2:2 with grain,
# about 600 KB each), three of them damaged as recovered photos often are: 128 KB
# in the middle overwritten with zeros, cut off at 40 %, the second half from
# another photo. The engine keeps these only when told to, as b<sector>.jpg.
o=$out/originals/damaged
mkdir -p "$o"
photo() { "$convert" -seed "$2" -size 1600x1200 plasma:fractal -attenuate 0.3 +noise Gaussian -quality 90 \
            -sampling-factor 2x1 "$1"; }
photo "$o/intact1.jpg" 41
photo "$o/intact2.jpg" 42
photo "$work/zeroed.jpg" 43
photo "$work/cut.jpg" 44
photo "$work/first-half.jpg" 45
photo "$work/second-half.jpg" 46
python3 - "$work" "$o" <<'DAMAGE'
import sys
work, o = sys.argv[1:3]
read = lambda name: open(f"{work}/{name}", "rb").read()
zeroed = bytearray(read("zeroed.jpg"))
start = len(zeroed) * 2 // 5
zeroed[start:start + 131072] = bytes(131072)
open(f"{o}/zeroed.jpg", "wb").write(zeroed)
cut = read("cut.jpg")
open(f"{o}/cut.jpg", "wb").write(cut[:len(cut) * 2 // 5])
first, second = read("first-half.jpg"), read("second-half.jpg")
open(f"{o}/spliced.jpg", "wb").write(first[:len(first) // 2] + second[len(second) // 2:])
DAMAGE
rm -f "$work/damaged.img"
truncate -s 64M "$work/damaged.img"
mkfs.vfat -F 32 --invariant --mbr=n "$work/damaged.img" >/dev/null
mcopy -i "$work/damaged.img" "$o/intact1.jpg" "$o/zeroed.jpg" "$o/cut.jpg" "$o/intact2.jpg" "$o/spliced.jpg" ::/
mdel -i "$work/damaged.img" ::/intact1.jpg ::/zeroed.jpg ::/cut.jpg ::/intact2.jpg ::/spliced.jpg
describe "$o" intact1.jpg zeroed.jpg cut.jpg intact2.jpg spliced.jpg
mv "$work/damaged.img" "$out/damaged.img"

# copies.img: a FAT16 card on which two photos were also copied into a folder
# before everything was deleted: five deleted JPEGs, three contents. Two are
# camera photos with EXIF dates (2008 and 1999), one has no date.
o=$out/originals/copies
mkdir -p "$o"
cameras=$(cd "$(dirname "$0")/../corpus/jpeg-camera" && pwd)
cp "$cameras/gps-DSCN0010.jpg" "$o/DSCN0010.jpg"
cp "$cameras/exif-org-kodak-dc240.jpg" "$o/DCP00001.jpg"
jpeg "$o/sunset.jpg" 51 640x480
new_fat16 "$work/copies.img" 32
mcopy -i "$work/copies.img" "$o/DSCN0010.jpg" "$o/DCP00001.jpg" "$o/sunset.jpg" ::/
mmd -i "$work/copies.img" ::/BACKUP
mcopy -i "$work/copies.img" "$o/DSCN0010.jpg" "$o/sunset.jpg" ::/BACKUP/
mdel -i "$work/copies.img" ::/DSCN0010.jpg ::/DCP00001.jpg ::/sunset.jpg ::/BACKUP/DSCN0010.jpg ::/BACKUP/sunset.jpg
describe "$o" DSCN0010.jpg DCP00001.jpg sunset.jpg
mv "$work/copies.img" "$out/copies.img"

# The stand-in engine's fixtures: what it copies into its output folder, in name order.
f=$out/fixtures
jpeg "$f/a_small.jpg" 31 160x120
jpeg "$f/b_small.jpg" 32 200x150
png "$f/c_small.png" 33 64x48
printf 'A found text file.\r\n' > "$f/d_notes.txt"
: > "$f/empty.dat"
jpeg "$f/sub/e_nested.jpg" 34 120x90
