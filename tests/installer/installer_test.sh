#!/usr/bin/env bash
# Builds the Windows installer, installs it silently under Wine into a fresh
# folder, checks the program folder and the Start-menu shortcut, starts the
# installed program and closes its window, then uninstalls and checks that the
# files, the shortcut, the engine's copy and its digest are gone.
#   installer_test.sh <build dir> <cpack> <launch_check.exe>
set -euo pipefail
# A display and a Wine prefix of its own: the installer's Wine session takes
# over parts of the shared display (its desktop process) and would slow every
# later test's start by seconds.
if [ -z "${VANTREO_INSTALLER_DISPLAY:-}" ]; then
  exec env VANTREO_INSTALLER_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
build=$1
cpack=$2
launch_check=$3
WINEPREFIX=$(mktemp -d /tmp/vantreo-installer-wine.XXXXXX)
export WINEPREFIX
source "$(dirname "$0")/../../tools/wine-env.sh"
keep_wine_desktop
prefix=$WINEPREFIX
shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Norvale Vantreo/Norvale Vantreo.lnk"

# NSIS reads /D= only unquoted, so the folder must not contain a space.
work=$(mktemp -d /tmp/vantreo-installer.XXXXXX)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work" "$prefix"' EXIT
target=$work/Vantreo
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

"$cpack" -G NSIS --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack -G NSIS"; }
setup=$(ls "$work"/package/*-setup.exe)
echo "installer: $(basename "$setup")"

timeout 60 wine "$setup" /S "/D=$(windows_path "$target")" || fail "silent install"
for file in vantreo.exe help.chm icon.png Uninstall.exe; do
  [ -s "$target/$file" ] || fail "$file is not in the program folder"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
echo "installed: $(cd "$target" && ls | tr '\n' ' ')"

timeout 60 wine "$launch_check" "$(windows_path "$target/vantreo.exe")" "Norvale Vantreo" ||
  fail "the installed program did not start and close"

# A copy of an engine and its digest, as the program leaves them after the
# first search: uninstalling removes both.
engine_copy="$prefix/drive_c/ProgramData/Norvale/Vantreo/engine"
mkdir -p "$engine_copy/work" && echo engine >"$engine_copy/photo.exe"
wine reg add 'HKLM\Software\Norvale\Vantreo' /v EngineDigest /t REG_BINARY /d 00 /f /reg:64 >/dev/null 2>&1 ||
  fail "could not add the engine digest"

# _?= runs the uninstaller in place and waits for it; it then cannot delete itself.
timeout 60 wine "$target/Uninstall.exe" /S "_?=$(windows_path "$target")" || fail "silent uninstall"
for file in vantreo.exe help.chm icon.png; do
  [ ! -e "$target/$file" ] || fail "$file is still there after uninstalling"
done
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there after uninstalling"
[ ! -e "$prefix/drive_c/ProgramData/Norvale" ] || fail "the engine's copy is still there after uninstalling"
if wine reg query 'HKLM\Software\Norvale\Vantreo' /v EngineDigest /reg:64 >/dev/null 2>&1; then
  fail "the engine digest is still there after uninstalling"
fi
echo "installer test passed"
