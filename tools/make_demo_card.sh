#!/usr/bin/env bash
# Makes the demo camera card that tools/run.sh opens: a FAT32 image of the
# camera photos in tests/corpus/ as a card holds them after use. Most photos
# and a few other files were deleted again, one photo was damaged before it
# was deleted (a block of it overwritten with zeros), and some photos are
# still on the card. The same bytes every time.
# Usage: make_demo_card.sh IMAGE
set -euo pipefail
image=${1:?image path}
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$root/tests/corpus/jpeg-camera
export MTOOLS_SKIP_CHECK=1
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1700000000}
PATH=$PATH:/usr/sbin:/sbin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
card=$work/card.img

truncate -s 64M "$card"
mkfs.vfat -F 32 -n DEMO_CARD --invariant --mbr=n "$card" >/dev/null
mmd -i "$card" ::/DCIM ::/DCIM/100DEMO

# The photos as a camera names them, in the corpus's order.
n=100
kept=()
deleted=()
for photo in "$corpus"/*.jpg; do
  n=$((n + 1))
  name=IMG_0$n.JPG
  cp "$photo" "$work/$name"
  mcopy -i "$card" "$work/$name" ::/DCIM/100DEMO/
  # Every fourth photo stays; the others were deleted.
  if [ $((n % 4)) -eq 0 ]; then kept+=("$name"); else deleted+=("$name"); fi
done

# A damaged photo: the largest one with 16 KiB in its middle zeroed.
largest=$(ls -S "$corpus"/*.jpg | head -1)
cp "$largest" "$work/IMG_0999.JPG"
size=$(stat -c %s "$work/IMG_0999.JPG")
dd if=/dev/zero of="$work/IMG_0999.JPG" bs=1 seek=$((size / 2)) count=16384 conv=notrunc status=none
mcopy -i "$card" "$work/IMG_0999.JPG" ::/DCIM/100DEMO/
deleted+=(IMG_0999.JPG)

# A few other files a card holds.
printf 'Holiday 2019\r\nPacking list: camera, charger, two cards.\r\n' > "$work/NOTES.TXT"
for i in $(seq 1 200); do printf 'Line %d of the trip diary.\r\n' "$i"; done >> "$work/NOTES.TXT"
convert-im6.q16 -seed 7 -size 320x240 plasma:fractal -define png:exclude-chunk=date,time "$work/MAP.PNG"
mcopy -i "$card" "$work/NOTES.TXT" "$work/MAP.PNG" ::/

for name in "${deleted[@]}"; do mdel -i "$card" "::/DCIM/100DEMO/$name"; done
mdel -i "$card" ::/MAP.PNG

mkdir -p "$(dirname "$image")"
mv "$card" "$image"
echo "Made $image: ${#kept[@]} photos on it, ${#deleted[@]} photos deleted (one damaged), a text and a deleted picture."
