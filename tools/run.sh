#!/usr/bin/env bash
# Installs what is missing, builds the program and the engine it runs here,
# and starts a recovery under Wine that a newcomer can watch.
#   bash tools/run.sh            the demo camera card opened: press Next, then Recover
#   bash tools/run.sh IMAGE      another disk image opened instead
#   bash tools/run.sh --no-demo  the drive list alone
#   bash tools/run.sh --check    the demo started, its window checked, then closed (for CI)
# Under Wine the engine is Debian's photorec behind the forwarding photo.exe,
# installed into the Wine prefix's engine folder when no engine is there
# (never over one that is). Without a display it runs on a virtual one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=demo image=
case "${1:-}" in
  "") ;;
  --no-demo) mode=drives ;;
  --check) mode=check ;;
  -*) echo "usage: bash tools/run.sh [IMAGE | --no-demo | --check]" >&2; exit 2 ;;
  *) mode=image; image=$(realpath -- "$1") ;;
esac

if [ -z "${VANTREO_RUN_PREPARED:-}" ]; then
  bash "$root/tools/setup.sh"
  export BUILD_DIR=${BUILD_DIR:-$root/build}
  cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  # Only what runs: the program with its manual, and the engine's forwarder.
  targets=(vantreo vantreo_photorec_forwarder)
  [ "$mode" = check ] && targets+=(vantreo_demo_check)
  cmake --build "$BUILD_DIR" -j2 --target "${targets[@]}"
  demo_card=$BUILD_DIR/demo/camera-card.img
  if [ "$mode" = demo ] || [ "$mode" = check ]; then
    [ -f "$demo_card" ] || bash "$root/tools/make_demo_card.sh" "$demo_card"
    image=$demo_card
  fi
  export VANTREO_RUN_PREPARED=1 VANTREO_RUN_IMAGE=$image
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
  fi
fi
image=${VANTREO_RUN_IMAGE:-$image}

export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-vantreo}
source "$root/tools/wine-env.sh"

# The engine folder the program checks: %APPDATA%\Norvale\Vantreo.
appdata=$(wine cmd /c echo %APPDATA% </dev/null 2>/dev/null | tr -d '\r')
engine=$(winepath -u "$appdata" 2>/dev/null)/Norvale/Vantreo
if [ ! -e "$engine/photo.exe" ]; then
  mkdir -p "$engine/c/cygwin"
  cp "$BUILD_DIR/tests/engines/photorec/photo.exe" "$engine/photo.exe"
  # The forwarder needs no Cygwin runtime; the program looks for one beside it.
  [ -e "$engine/cygwin1.dll" ] || : > "$engine/cygwin1.dll"
  echo "Installed the engine (photorec behind a forwarding photo.exe) into $engine"
fi

program=$BUILD_DIR/bin/vantreo.exe
args=()
[ -n "$image" ] && args=("$(winepath -w "$image" 2>/dev/null)")

if [ "$mode" = check ]; then
  wine "$BUILD_DIR/bin/demo_check.exe" "$(winepath -w "$program")" "${args[0]}" "$(basename "$image")"
  exit $?
fi
wine "$program" "${args[@]}"
