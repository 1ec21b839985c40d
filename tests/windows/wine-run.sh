#!/bin/sh
# Runs a Windows test program under wine64 in a prefix of its own:
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The first run creates the prefix, with wine's null display driver (windows exist and
# can be looked up without a display); runs started meanwhile wait for it. Debian's plain
# `wine` wrapper wants the 32-bit loader, so the 64-bit loader is called directly.
set -eu
prefix=$1
shift
loader=${VELM_WINE64:-/usr/lib/wine/wine64}
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
(
  flock 9
  if [ ! -f "$prefix/velm-prefix-ready" ]; then
    "$loader" wineboot.exe --init >/dev/null 2>&1 || true
    "$loader" reg.exe add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # The desktop started by wineboot keeps the driver it began with: let it end first.
    "${loader%/*}/wineserver" -w
    touch "$prefix/velm-prefix-ready"
  fi
) 9>"$prefix.lock"
exec "$loader" "$@"
