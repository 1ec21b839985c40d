#!/usr/bin/env bash
# fuzz.sh BUILD_DIR SECONDS: makes the starting corpora, then runs every fuzz target for
# SECONDS on its corpus. Exits non-zero when a target finds a fault (the input that
# shows it is kept in BUILD_DIR/findings/<target>/) or does not run.
set -euo pipefail
build=$1
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
seeds=$build/fuzz-seeds
corpus=$build/fuzz-corpus
findings=$build/findings

rm -rf "$seeds"
"$build/fuzz/fuzz_seeds" "$source_dir" "$seeds"

status=0
for target in group_read_fuzz art_load_fuzz index_match_fuzz prefs_fuzz scene_fuzz \
              record_walk_fuzz lzss_decode_fuzz record_convert_fuzz svg_reader_fuzz; do
  mkdir -p "$corpus/$target" "$findings/$target" "$seeds/$target"
  log=$build/fuzz-$target.log
  # The SVG reader's seeds are small documents (its hostile test files are the unit tests'
  # business: each takes long to read); its inputs are kept as small.
  max_len=300000
  [ "$target" = svg_reader_fuzz ] && max_len=16384
  # New inputs go to the corpus (first folder); the seeds are read only.
  if "$build/fuzz/$target" -max_total_time="$seconds" -max_len=$max_len -rss_limit_mb=4096 \
       -timeout=20 -print_final_stats=1 -artifact_prefix="$findings/$target/" \
       "$corpus/$target" "$seeds/$target" > "$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    echo "fuzz: $target: $runs runs in ${seconds} s, no finding"
  else
    echo "fuzz: $target: FAILED (see $log and $findings/$target/)"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
