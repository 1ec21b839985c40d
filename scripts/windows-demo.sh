#!/usr/bin/env bash
# The same work done by the Linux module and by the Windows module, compared byte for byte.
# The demo's sessions are run twice under one fixed wall clock: by velm-host loading the
# Linux module (build/plugin/VELM-Pro.so) and by velm-host built as a wine program loading
# the 64-bit Windows module through the Windows loader (build-win64/plugin/VELM-Pro.dll,
# make windows-host). Every file either run makes (group files, recorded actions, texts,
# pictures of the screen) must be identical.
#
#   scripts/windows-demo.sh [OUT]     (default OUT: demo-output-windows)
#
# Exit 0 when identical, 1 when something differs or a run fails (both listed).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$here/demo-output-windows}" && cd "${1:-$here/demo-output-windows}" && pwd)
linux_build=${VELM_LINUX_BUILD:-$here/build}
linux_host="$linux_build/hostsim/velm-host"
linux_module="$linux_build/plugin/VELM-Pro.so"
windows_module="$here/build-win64/plugin/VELM-Pro.dll"
for f in "$linux_host" "$linux_module" "$windows_module" "$here/build-winhost/hostsim/velm-host.exe.so"; do
  [ -e "$f" ] || { echo "windows-demo: $f is not built (make build windows-host)" >&2; exit 2; }
done
rm -rf "$out/linux" "$out/windows"
cc -shared -fPIC -O1 -o "$out/fixed-clock.so" "$here/scripts/fixed-clock.c" -ldl

# The library both sides start the palette sessions on: the demo's records, captured by
# velm-host with the plug-in linked in.
input="$out/input-library"
rm -rf "$input"
mkdir -p "$input"
capture() { # group name kind id
  "$linux_host" capture "$here/demo/sample.json" --library "$input" --group "$1" --name "$2" \
    --kind "$3" --comment "sample.json: $4" --select "$4" > /dev/null
}
export LD_PRELOAD="$out/fixed-clock.so" TZ=UTC
capture 図形 太陽 自然 sun
capture 図形 菱形 幾何 lozenge
capture 図形 市松模様 模様 tiles
capture 図形 波線 線 wave
capture 画像 色見本 ラスター photo
capture 画像 メッシュ グラデーション mesh
capture 文字 ようこそ 見出し label
capture 文字 紋章 クリップ badge
unset LD_PRELOAD TZ

# run_side NAME MODULE HOST...: the sessions with that side's module, into $out/NAME.
run_side() {
  local name=$1 module=$2
  shift 2
  local dir="$out/$name"
  mkdir -p "$dir"
  cp -r "$input" "$dir/library"
  cp -r "$input" "$dir/workday-library"
  # Start-up, the about box, unloading, reloading and shutting down: the messages and the
  # suites' balance.
  # The number of suite acquisitions differs by design: the Linux module also acquires the
  # host's desktop suite, where the Windows module draws through the system's own.
  "$@" run --module "$module" --out "$out/$name-run" > "$out/$name-run.txt" 2>&1 ||
    { echo "$name: velm-host run failed:"; tail -5 "$out/$name-run.txt"; return 1; }
  sed 's/^Suite acquisitions: [0-9]*,/Suite acquisitions:/' "$out/$name-run.txt" > "$dir/run.txt"
  local session library scene
  for session in actions palette workday; do
    case $session in
      actions) library="$dir/actions/recorded" scene=sample ;;
      palette) library="$dir/library" scene=canvas ;;
      workday) library="$dir/workday-library" scene=sample ;;
    esac
    LD_PRELOAD="$out/fixed-clock.so" TZ=UTC "$@" session "$here/demo/$session-session.txt" \
      --module "$module" --library "$library" --scene "$here/demo/$scene.json" --out "$dir" \
      > "$out/$name-$session-session.log" 2>&1 ||
      { echo "$name: the $session session failed:"; tail -5 "$out/$name-$session-session.log"; return 1; }
  done
}

status=0
run_side linux "$linux_module" "$linux_host" || status=1
run_side windows "$windows_module" bash "$here/scripts/wine-host.sh" || status=1
rm -f "$out/fixed-clock.so"
[ $status -eq 0 ] || exit 1

# Drawn on the screen itself by the module (GDI on the display): the name of the icon under
# the cursor and the drag's outline. Under wine's null display driver the screen keeps
# nothing, so these two pictures show the palette without them; everything else in them
# is the host's drawing. They are named here and not compared.
screen_drawn=(palette-hover.png palette-drag.png)
excluded=()
for f in "${screen_drawn[@]}"; do excluded+=(-x "$f"); done
echo "not compared (drawn on the screen, which wine's null display does not keep): ${screen_drawn[*]}"
if diff -rq "${excluded[@]}" "$out/linux" "$out/windows"; then
  echo "identical: $(find "$out/linux" -type f | grep -cv -e palette-hover.png -e palette-drag.png) files made by the Linux and the Windows module"
else
  echo "the Windows module's work differs from the Linux module's (above)"
  exit 1
fi
