#!/usr/bin/env bash
# Makes the camera card the pace section scans: a FAT32 image holding 60
# deleted 12 MP JPEGs of about 5 MB each, written the way a camera writes
# them (EXIF first, no JFIF, a 160x120 preview embedded in the EXIF), so the
# engine finds a photo and a preview for each.
# Usage: make_camera_card.sh OUTPUT_IMAGE
# Takes a few minutes; the benchmark keeps the image and reuses it.
set -euo pipefail
out=${1:?output image}
convert=convert-im6.q16   # /usr/local/bin/convert is not ImageMagick
export MTOOLS_SKIP_CHECK=1
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1700000000}
PATH=$PATH:/usr/sbin:/sbin
photos=60
card_mib=400
for tool in "$convert" exiftool mkfs.vfat mcopy; do
  command -v "$tool" >/dev/null || { echo "make_camera_card.sh: $tool is missing (bash tools/setup.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A plasma fractal drawn small and enlarged, with grain: the plasma makes each
# picture distinct, the grain makes the file as large as a camera's at this
# quality. The seed comes first so that it applies to both; 4:2:2 chroma as
# most cameras store it.
photo() {  # file seed
  "$convert" -seed "$2" -size 1000x750 plasma:fractal "$work/plasma.miff"
  "$convert" "$work/plasma.miff" -resize '4000x3000!' -seed "$2" -attenuate 0.5 +noise Gaussian \
    -sampling-factor 2x1 -quality 92 "$1"
  "$convert" "$work/plasma.miff" -resize '160x120!' -strip -quality 80 "$work/preview.jpg"
  exiftool -q -overwrite_original -JFIF:all= -Make='Vantreo Bench' -Model='Card 12MP' \
    -DateTimeOriginal="2024:05:01 10:$(printf '%02d:%02d' $(($2 / 60)) $(($2 % 60)))" \
    "-ThumbnailImage<=$work/preview.jpg" "$1"
}

names=()
for i in $(seq 1 "$photos"); do
  name=$(printf 'IMG_%04d.JPG' "$i")
  photo "$work/$name" $((1000 + i))
  names+=("$name")
done

# Camera-like sizes, or the timings would not be those of a camera's card.
sizes=$(cd "$work" && stat -c %s "${names[@]}" | sort -n)
smallest=$(head -1 <<<"$sizes") largest=$(tail -1 <<<"$sizes")
echo "make_camera_card.sh: $photos photos of $((smallest / 1000)) to $((largest / 1000)) KB"
if [ "$smallest" -lt 4000000 ] || [ "$largest" -gt 7000000 ]; then
  echo "make_camera_card.sh: photos should be 4 to 7 MB" >&2
  exit 1
fi

truncate -s "${card_mib}M" "$work/card.img"
mkfs.vfat -F 32 --invariant --mbr=n -n CAMERA "$work/card.img" >/dev/null
mmd -i "$work/card.img" ::/DCIM ::/DCIM/100BENCH
(cd "$work" && mcopy -i card.img "${names[@]}" ::/DCIM/100BENCH/)
(cd "$work" && mdel -i card.img "${names[@]/#/::/DCIM/100BENCH/}")
mkdir -p "$(dirname "$out")"
mv "$work/card.img" "$out"
