#!/usr/bin/env bash
# Builds the benchmark and runs it under Wine on a virtual display.
#   bash tools/bench.sh              every section
#   bash tools/bench.sh thumbnails   the named sections (--list names them)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
if [ -z "${VANTREO_IN_XVFB:-}" ]; then
  cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD_DIR" --target bench -j2
  exec env VANTREO_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
unset WINEPREFIX
source "$root/tools/wine-env.sh"
keep_wine_desktop
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
wine "$BUILD_DIR/bench/bench.exe" "$@"
