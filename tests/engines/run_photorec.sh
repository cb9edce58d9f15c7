#!/bin/sh
# Runs photorec for the forwarding photo.exe, which cannot wait for a Linux
# process itself (README.md tells how the two use WORK_DIR/lock and WORK_DIR/done).
# Usage: run_photorec.sh WORK_DIR SCAN_DIR IMAGE OPTIONS
#   photorec works in WORK_DIR and writes into WORK_DIR/stage/<SCAN_DIR's name>.1;
#   hand_over.py moves each finished file to SCAN_DIR.1 (SCAN_DIR's parent must exist).
work=$1 scan_dir=$2 image=$3 options=$4
here=$(cd "$(dirname "$0")" && pwd)
cd "$work" || exit 1
# No output to whoever started Wine: photorec draws its screen on stdout.
exec </dev/null >output.txt 2>&1

status=127
finish() {
  if [ -e lock ]; then
    echo "$status" > done.tmp && mv done.tmp done
  else
    cd / && rm -rf "$work"
  fi
}
trap finish EXIT

# The engine does not create the scan folder's parent: neither does the staging.
dest=$(dirname "$scan_dir")
[ -d "$dest" ] || { status=0; exit 0; }
mkdir -p stage
photorec /log /d "$work/stage/$(basename "$scan_dir")" /cmd "$image" "$options" &
carver=$!
python3 "$here/hand_over.py" "$work/stage" "$dest" "$work/carver-ended" &
mover=$!
(while [ -e lock ]; do sleep 0.2; done; kill "$carver" 2>/dev/null) &
watcher=$!
wait "$carver"
status=$?
: > carver-ended
wait "$mover"
kill "$watcher" 2>/dev/null
exit "$status"
