#!/bin/sh
# Runs a Windows test program under wine64 in a prefix of its own:
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The first run creates the prefix; runs started meanwhile wait for it. Debian's plain
# `wine` wrapper wants the 32-bit loader, so the 64-bit loader is called directly.
set -eu
prefix=$1
shift
loader=${VELM_WINE64:-/usr/lib/wine/wine64}
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$loader" wineboot.exe --init >/dev/null 2>&1 || true
  fi
) 9>"$prefix.lock"
exec "$loader" "$@"
