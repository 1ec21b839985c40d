#!/bin/sh
# Runs the stand-in host built for the Windows module (make windows-host) under wine64:
#   scripts/wine-host.sh [velm-host arguments...]
# The host is a wine program; the module it loads (--module build-win64/plugin/VELM-Pro.dll)
# runs on wine's Win32. Each run gets a wine prefix of its own, made from a shared one
# (created once, with wine's null display driver), so that the host can make its own
# drive C: the prefix's drive C: (the host links the Windows folder into it).
# VELM_WINE_PREFIX names the shared prefix (default: build-winhost/wineprefix).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
host=${VELM_WINE_HOST_EXE:-$here/build-winhost/hostsim/velm-host.exe.so}
shared=${VELM_WINE_PREFIX:-$here/build-winhost/wineprefix}
loader=${VELM_WINE64:-/usr/lib/wine/wine64}
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$shared"
(
  flock 9
  if [ ! -f "$shared/velm-prefix-ready" ]; then
    WINEPREFIX="$shared" "$loader" wineboot.exe --init >/dev/null 2>&1 || true
    WINEPREFIX="$shared" "$loader" reg.exe add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
      >/dev/null 2>&1
    WINEPREFIX="$shared" "${loader%/*}/wineserver" -w
    touch "$shared/velm-prefix-ready"
  fi
) 9>"$shared.lock"

run=$(mktemp -d "${TMPDIR:-/tmp}/velm-wine.XXXXXX")
trap 'WINEPREFIX="$run/prefix" "${loader%/*}/wineserver" -k >/dev/null 2>&1 || true; rm -rf "$run"' EXIT
mkdir -p "$run/prefix/dosdevices" "$run/start"
cp "$shared"/*.reg "$shared/.update-timestamp" "$run/prefix/"
ln -s "$shared/drive_c/windows" "$run/start/windows"
ln -s "$run/start" "$run/prefix/dosdevices/c:"
ln -s / "$run/prefix/dosdevices/z:"
export WINEPREFIX="$run/prefix"
status=0
"$loader" "$host" "$@" || status=$?
exit $status
