#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program under Wine.
# Without a display it runs on a virtual one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
export BUILD_DIR=${BUILD_DIR:-$root/build}
bash "$root/tools/build.sh"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-vantreo}
source "$root/tools/wine-env.sh"
wine "$BUILD_DIR/bin/vantreo.exe"
