#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. Now and then, on a loaded
# machine, Wine ends a process before any of it has run: a failure at once
# with nothing printed. Such a start, and only such, is tried once more; a
# program that printed anything keeps its outcome.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  wine "$@" >"$out" 2>"$err"
  status=$?
  if [ "$status" -eq 0 ] || [ -s "$out" ]; then break; fi
  [ "$attempt" -eq 1 ] && echo "wine-emulator: $1 ended at once ($status) with nothing printed; started again" >&2
done
cat "$out"
cat "$err" >&2
exit "$status"
