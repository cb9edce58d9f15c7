#!/bin/sh
# Runs photorec for the forwarding photo.exe, which cannot wait for a Linux
# process itself.
# Usage: run_photorec.sh WORK_DIR SCAN_DIR IMAGE OPTIONS
#   WORK_DIR  photorec's working folder, which takes its log and session file.
#             The caller keeps WORK_DIR/lock while it waits; when the lock goes
#             (the caller has ended or was terminated), photorec is stopped and
#             WORK_DIR removed. Otherwise photorec's exit status is written to
#             WORK_DIR/done when it ends.
#   SCAN_DIR  photorec writes into SCAN_DIR.1 (SCAN_DIR.2, ...); the parent of
#             SCAN_DIR must exist.
work=$1 scan_dir=$2 image=$3 options=$4
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

photorec /log /d "$scan_dir" /cmd "$image" "$options" &
carver=$!
(while [ -e lock ]; do sleep 0.2; done; kill "$carver" 2>/dev/null) &
watcher=$!
wait "$carver"
status=$?
kill "$watcher" 2>/dev/null
exit "$status"
