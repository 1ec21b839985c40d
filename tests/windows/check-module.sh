#!/bin/sh
# Checks the built 32-bit module from its headers: it exports PluginMain and nothing else,
# carries the "PIPL" resource, and imports only the system's own DLLs.
#   check-module.sh OBJDUMP MODULE
set -eu
objdump=$1
module=$2
headers=$(mktemp)
trap 'rm -f "$headers"' EXIT
"$objdump" -p "$module" >"$headers"
status=0

grep -q '^architecture: i386' "$headers" || grep -q 'pei-i386' "$headers" || {
  echo "FAIL: $module is not a 32-bit x86 module"
  status=1
}

# The names of the export table: the lines after "[Ordinal/Name Pointer] Table".
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
               on && /^\t\[/ { sub(/^\t\[ *[0-9]+\] /, ""); print; next }
               on { on = 0 }' "$headers")
if [ "$exports" != "PluginMain" ]; then
  echo "FAIL: exports are [$(echo "$exports" | tr '\n' ' ')], expected [PluginMain]"
  status=1
fi

grep -q 'name: \[val: [0-9a-f]* len 4\]: PIPL' "$headers" || {
  echo "FAIL: no PIPL resource"
  status=1
}

imports=$(sed -n 's/^\tDLL Name: //p' "$headers" | tr 'a-z' 'A-Z' | sort -u)
for dll in $imports; do
  case "$dll" in
    KERNEL32.DLL | USER32.DLL | GDI32.DLL | MSVCRT.DLL) ;;
    *)
      echo "FAIL: imports $dll, which the host machine need not have"
      status=1
      ;;
  esac
done

if [ $status -eq 0 ]; then
  echo "$(basename "$module"): exports PluginMain only, has PIPL, imports $(echo $imports)"
fi
exit $status
