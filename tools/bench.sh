#!/usr/bin/env bash
# Builds the benchmark and runs it under Wine on a virtual display.
#   bash tools/bench.sh              every section but scale (it takes minutes)
#   bash tools/bench.sh thumbnails   the named sections (--list names them)
#   VANTREO_SCALE_N=100000 bash tools/bench.sh scale   scale on 100,000 GIFs and as many ZIPs
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
if [ -z "${VANTREO_IN_XVFB:-}" ]; then
  cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
  # The pace section runs the tests' photorec forwarder on a camera card,
  # made once (a few minutes) and kept in the build folder; the others keep a
  # scan going with the tests' stand-in engine.
  cmake --build "$BUILD_DIR" --target bench vantreo_photorec_forwarder vantreo_standin_engine -j2
  card=$BUILD_DIR/bench/camera-card.img
  if [ ! -f "$card" ] && { [ $# -eq 0 ] || [[ " $* " == *" pace "* ]]; }; then
    bash "$root/tools/bench/make_camera_card.sh" "$card"
  fi
  jpegs=$BUILD_DIR/bench/jpeg
  if [ ! -f "$jpegs/6000x4000-420.jpg" ] && { [ $# -eq 0 ] || [[ " $* " == *" thumbnails "* ]]; }; then
    bash "$root/tools/bench/make_camera_jpegs.sh" "$jpegs"
  fi
  # The scale section's disk, made for each count once (seconds) and kept.
  if [[ " $* " == *" scale "* ]]; then
    export VANTREO_SCALE_N=${VANTREO_SCALE_N:-40000}
    scale_disk=$BUILD_DIR/bench/scale-$VANTREO_SCALE_N.img
    [ -f "$scale_disk" ] || bash "$root/tools/bench/make_scale_disk.sh" "$VANTREO_SCALE_N" "$scale_disk"
  fi
  exec env VANTREO_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
unset WINEPREFIX
source "$root/tools/wine-env.sh"
keep_wine_desktop
# With no window manager, Wine waits 2 s for every closed top-level window (each
# message box) to be withdrawn, its thread answering nothing meanwhile; on a
# desktop that wait does not exist. As in tools/test.sh, windows are not handed
# to a manager, so the figures are the program's own.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
# A desktop session loads X resources as it starts; Xvfb has none, and then
# Xlib reads its defaults files again each time Wine selects a font into a
# window's DC (a scale scan made 29,000 such reads on the window's thread).
# One resource that nothing asks for lets Xlib keep what it read, as on a desktop.
export XENVIRONMENT="$root/tools/bench/x-resources"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
wine "$BUILD_DIR/bench/bench.exe" "$@"
