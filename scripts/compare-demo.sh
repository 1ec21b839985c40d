#!/usr/bin/env bash
# Whether two checkouts' demos make the same files, byte for byte: each checkout's own
# scripts/demo.sh is run with its own build under one fixed wall clock (records carry the
# date they were made, and the record dialog and velm ls show it), and the two outputs are
# compared. For a change that must not alter behaviour (code moved between files or
# folders): run it with the checkout before and the one after, each built.
#
#   scripts/compare-demo.sh CHECKOUT_BEFORE CHECKOUT_AFTER [BUILD_SUBDIR]
#
# Exit 0 when every file is identical, 1 when something differs (listed), 2 on bad usage.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 CHECKOUT_BEFORE CHECKOUT_AFTER [BUILD_SUBDIR]" >&2; exit 2; }
before=$(cd "$1" && pwd) after=$(cd "$2" && pwd) sub=${3:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The wall clock, fixed at 2026-04-01 09:30:00 UTC for every program the demo starts (the
# monotonic clock, which timers and waits use, runs on).
cc -shared -fPIC -O1 -o "$work/clock.so" "$(dirname "$0")/fixed-clock.c" -ldl

for side in before after; do
  tree=${!side}
  [ -x "$tree/$sub/hostsim/velm-host" ] || { echo "$tree/$sub is not built" >&2; exit 2; }
  echo "demo of $tree"
  (cd "$tree" && LD_PRELOAD="$work/clock.so" TZ=UTC bash scripts/demo.sh "$sub" "$work/$side") \
    > "$work/$side.log" 2>&1 || { echo "the demo of $tree failed:"; tail -5 "$work/$side.log"; exit 1; }
done
if diff -rq "$work/before" "$work/after"; then
  echo "identical: $(find "$work/before" -type f | wc -l) files"
else
  exit 1
fi
