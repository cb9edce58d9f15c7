#!/usr/bin/env bash
# Times SHA-256 against the JPEG preview decoder on camera-like 12 and 24 MP
# JPEGs, natively (g++ -O2): what knowing duplicates adds to a thumbnail.
#   bash tools/native/sha256_cost.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${BUILD_DIR:-$root/build}/native
mkdir -p "$out"
jpegs=${BUILD_DIR:-$root/build}/bench/jpeg
[ -f "$jpegs/6000x4000-420.jpg" ] || bash "$root/tools/bench/make_camera_jpegs.sh" "$jpegs"
g++ -std=c++20 -O2 -I"$root" "$root/tools/native/sha256_cost.cpp" "$root"/imaging/*.cpp "$root"/imaging/jpeg/*.cpp \
  -o "$out/sha256_cost"
"$out/sha256_cost" "$jpegs"/*.jpg
