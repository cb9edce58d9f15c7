#!/usr/bin/env bash
# Fuzzes the parsers of found bytes natively: clang's libFuzzer with
# AddressSanitizer and UndefinedBehaviorSanitizer. Each target first replays,
# whole, every input that once crashed a parser (tests/fuzz/regressions) and
# its seed corpus, then fuzzes for SECONDS. Exits non-zero on a crash; the
# input is left in build-fuzz/crashes/ to be kept as a regression.
#   bash tools/fuzz.sh [SECONDS]    (default 60 a target)
#   FUZZ_ONLY=NAME bash tools/fuzz.sh [SECONDS]    (that target alone, e.g. raw_preview)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
bash "$root/tools/setup.sh"
out=${FUZZ_DIR:-$root/build-fuzz}
mkdir -p "$out/crashes"
regressions=$root/tests/fuzz/regressions

jpeg_seeds=$out/seeds/jpeg
[ -f "$jpeg_seeds/mpf.jpg" ] || bash "$root/tests/imaging/make_jpeg_corpus.sh" "$jpeg_seeds"
gif_seeds=$out/seeds/gif
[ -f "$gif_seeds/transparent.gif" ] || bash "$root/tests/imaging/make_gif_corpus.sh" "$gif_seeds"
# The real RAW files, and one small file of each family around a small JPEG.
raw_seeds=$out/seeds/raw
if [ ! -f "$raw_seeds/heap.crw" ]; then
  mkdir -p "$raw_seeds"
  cp "$root"/tests/corpus/raw/*.{nef,cr3,dng} "$raw_seeds/"
  clang++ -std=c++20 -O1 -I"$root" "$root/tests/fuzz/make_raw_seeds.cpp" "$root/tests/support/raw_fixtures.cpp" \
    -o "$out/make_raw_seeds"
  "$out/make_raw_seeds" "$jpeg_seeds/horizon.jpg" "$raw_seeds"
fi

# fuzz NAME SEED_DIR SOURCES...  (the fuzz target's source first)
fuzz() {
  local name=$1 seeds=$2; shift 2
  local binary=$out/$name-fuzz
  if [ -n "${FUZZ_ONLY:-}" ] && [ "$FUZZ_ONLY" != "$name" ]; then return 0; fi
  echo "== $name: building"
  (cd "$root" && clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root" "$@" -o "$binary")
  echo "== $name: replaying the regressions and the seeds"
  "$binary" "$regressions"/* "$seeds"/* > "$out/$name-replay.log" 2>&1 || { tail -n 30 "$out/$name-replay.log"; return 1; }
  echo "$(grep -c '^Executed ' "$out/$name-replay.log") inputs replayed, none failed"
  echo "== $name: fuzzing for $seconds s"
  mkdir -p "$out/corpus/$name"
  # Inputs past 32 KB only slow the search; the seeds, cut to that, still
  # lead it to the scan data. A RAW file's directories and headers lie further.
  local status=0
  "$binary" -max_total_time="$seconds" -max_len="${MAX_LEN:-32768}" -print_final_stats=1 \
    -artifact_prefix="$out/crashes/$name-" "$out/corpus/$name" "$seeds" > "$out/$name-fuzz.log" 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' \
    "$out/$name-fuzz.log" || true
  return $status
}

fuzz jpeg_preview "$jpeg_seeds" tests/fuzz/jpeg_preview_fuzz.cpp imaging/jpeg/*.cpp
fuzz picture_header "$jpeg_seeds" tests/fuzz/picture_header_fuzz.cpp imaging/picture_header.cpp \
  imaging/picture_facts.cpp imaging/jpeg/jpeg_exif.cpp imaging/jpeg/jpeg_segments.cpp
fuzz gif_picture "$gif_seeds" tests/fuzz/gif_picture_fuzz.cpp imaging/gif_picture.cpp
MAX_LEN=65536 fuzz raw_preview "$raw_seeds" tests/fuzz/raw_preview_fuzz.cpp imaging/raw/*.cpp imaging/jpeg/*.cpp
# The rebuild's search over device bytes: a JPEG seed is the first piece and
# what follows it the candidates; the report parser on reports and logs.
fuzz rebuild_search "$jpeg_seeds" tests/fuzz/rebuild_search_fuzz.cpp imaging/rebuild/*.cpp imaging/jpeg/*.cpp
fuzz carver_report "$root/tests/fuzz/report_seeds" tests/fuzz/carver_report_fuzz.cpp imaging/rebuild/carver_report.cpp \
  imaging/rebuild/claimed_ranges.cpp
