#!/usr/bin/env bash
# Makes the disk the scale section scans: an ext4 image of 1 KiB blocks
# holding N tiny distinct GIF pictures and N small distinct ZIP files, 500 to
# a folder, the kind of small files a system disk or a phone holds by the
# hundred thousand.
# Usage: make_scale_disk.sh N OUTPUT_IMAGE
# Needs no root (mkfs.ext4 -d fills the image from a folder); takes seconds at
# N = 40,000. The benchmark keeps the image and reuses it.
set -euo pipefail
count=${1:?how many GIFs (and as many ZIPs)}
out=${2:?output image}
PATH=$PATH:/usr/sbin:/sbin
[[ $count =~ ^[1-9][0-9]*$ ]] || { echo "make_scale_disk.sh: N must be a positive number" >&2; exit 1; }
for tool in python3 mkfs.ext4; do
  command -v "$tool" >/dev/null || { echo "make_scale_disk.sh: $tool is missing (bash tools/setup.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Writes the files and prints the image's size in KiB and the inodes it needs.
python3 - "$count" "$work/files" >"$work/size" <<'EOF'
import io
import os
import random
import sys
import zipfile

count, root = int(sys.argv[1]), sys.argv[2]
PER_FOLDER = 500
BLOCK = 1024


def lzw_codes(pixels, min_size):
    # The data left uncompressed: a clear code comes before the table would
    # grow past min_size + 1 bits, so every code has that width.
    clear = 1 << min_size
    codes, run = [clear], 0
    for pixel in pixels:
        if run == clear - 2:
            codes.append(clear)
            run = 0
        codes.append(pixel)
        run += 1
    codes.append(clear + 1)
    width, bits, used, packed = min_size + 1, 0, 0, bytearray()
    for code in codes:
        bits |= code << used
        used += width
        while used >= 8:
            packed.append(bits & 0xFF)
            bits >>= 8
            used -= 8
    if used:
        packed.append(bits & 0xFF)
    return bytes(packed)


def gif(index, rng):
    width, height = rng.randint(1, 16), rng.randint(1, 16)
    # Eight colours, the first one the picture's number, so no two are alike.
    palette = index.to_bytes(3, "little") + bytes(rng.randrange(256) for _ in range(21))
    pixels = [rng.randrange(8) for _ in range(width * height)]
    data = lzw_codes(pixels, 3)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    size = width.to_bytes(2, "little") + height.to_bytes(2, "little")
    return (b"GIF89a" + size + bytes([0xF2, 0, 0]) + palette +
            b"\x2c\x00\x00\x00\x00" + size + b"\x00\x03" + blocks + b"\x00\x3b")


WORDS = ("invoice receipt holiday letter budget notes recipe garden school travel "
         "meeting photo album draft report family music ticket").split()


def archive(index, rng):
    while True:
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as out:
            for member in range(rng.randint(1, 2)):
                words = " ".join(rng.choice(WORDS) for _ in range(rng.randint(20, 160)))
                out.writestr(zipfile.ZipInfo(f"doc{member}.txt", date_time=(2024, 5, 1, 10, 0, 0)),
                             f"document {index}.{member}\n{words}")
        # The carver misses a zip whose closing record runs a few bytes into
        # a block of its own, and the zip after it with it.
        if not 0 < len(buffer.getvalue()) % BLOCK <= 64:
            return buffer.getvalue()


blocks = folders = 0
for kind, make, extension in (("pictures", gif, "gif"), ("archives", archive, "zip")):
    for index in range(count):
        folder = os.path.join(root, kind, f"{index // PER_FOLDER:04d}")
        if index % PER_FOLDER == 0:
            os.makedirs(folder)
            folders += 1
        content = make(index, random.Random(f"{extension}{index}"))
        with open(os.path.join(folder, f"{extension}{index:06d}.{extension}"), "wb") as file:
            file.write(content)
        blocks += -(-len(content) // BLOCK)
# A folder of 500 names takes about 16 blocks; the inode tables take 256
# bytes an inode; the journal and the groups' own blocks fit in the margin.
inodes = 2 * count + folders + 1024
kib = (blocks + 16 * folders) * 11 // 10 + inodes // 4 + 24 * 1024
print(kib, inodes)
EOF
read -r kib inodes < "$work/size"

truncate -s "${kib}K" "$work/disk.img"
mkfs.ext4 -q -F -b 1024 -N "$inodes" -m 0 -L SCALE -d "$work/files" "$work/disk.img"
mkdir -p "$(dirname "$out")"
mv "$work/disk.img" "$out"
echo "make_scale_disk.sh: $count GIFs and $count ZIPs on a $((kib / 1024)) MiB ext4 image"
