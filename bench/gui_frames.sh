#!/bin/bash
# The window's frame times on a large document: a scene of PATHS paths (default 100,000)
# and a group of RECORDS records (default 10,000), driven under Xvfb with xdotool (hover,
# scrolling, zooming, the palette's list, a record dragged onto the page and dropped, then
# idle) and read back from `velm-host gui --stats`.
# Usage: bench/gui_frames.sh BUILD_DIR [WORK_DIR]   (PATHS=… RECORDS=… in the environment)
set -euo pipefail
build=${1:?the build folder}
work=${2:-/tmp/velm-gui-frames}
paths=${PATHS:-100000}
records=${RECORDS:-10000}
host="$build/hostsim/velm-host"
velm="$build/tools/velm/velm"
for tool in Xvfb xdotool awk; do
  command -v "$tool" > /dev/null || { echo "$tool is needed"; exit 2; }
done
rm -rf "$work" && mkdir -p "$work"

# Squares scattered over the page, each with its own fill.
awk -v n="$paths" 'BEGIN {
  srand(1); printf "{\"units\": \"pt\", \"hardOrigin\": [306, 396], \"view\": {\"zoom\": 1, \"origin\": [0, 600]}, \"layers\": [{\"name\": \"L\", \"art\": ["
  for (i = 0; i < n; i++) {
    x = rand() * 560; y = rand() * 560; s = 2 + rand() * 18
    printf "%s{\"type\": \"path\", \"points\": [[%.2f, %.2f], [%.2f, %.2f], [%.2f, %.2f], [%.2f, %.2f]], \"closed\": true, \"fill\": \"#%06x\", \"stroke\": {\"color\": \"#000000\", \"width\": 0.5}}", (i ? ", " : ""), x, y, x + s, y, x + s, y + s, x, y + s, int(rand() * 16777215)
  }
  print "]}]}"
}' > "$work/page.json"
# A symbol set of as many different small drawings.
awk -v n="$records" 'BEGIN {
  print "<svg xmlns=\"http://www.w3.org/2000/svg\">"
  for (i = 0; i < n; i++)
    printf "<symbol id=\"s%05d\" viewBox=\"0 0 24 24\"><circle cx=\"12\" cy=\"12\" r=\"%d\" fill=\"#%06x\"/><rect x=\"%d\" y=\"4\" width=\"6\" height=\"6\"/></symbol>\n", i, 3 + i % 8, (i * 2654435761) % 16777216, i % 16
  print "</svg>"
}' > "$work/BIG.svg"
"$velm" import "$work/BIG.svg" "$work/lib" > /dev/null

exec 3< <(exec Xvfb -displayfd 1 -screen 0 1400x900x24 -nolisten tcp 2> "$work/xvfb.log")
xvfb=$!
read -r -t 20 display <&3
export DISPLAY=":$display"
trap 'kill $xvfb 2> /dev/null || true' EXIT
"$host" gui --scene "$work/page.json" --library "$work/lib" --drive-c "$work/drive-c" \
  --stats "$work/stats.txt" > "$work/gui.log" 2>&1 &
gui=$!
for _ in $(seq 600); do xdotool search --name "page.json" > /dev/null 2>&1 && break; sleep 0.1; done
win=$(xdotool search --name "page.json" | head -1)
cpu() { awk '{print $14 + $15}' "/proc/$gui/stat"; }
sleep 2
at() { xdotool mousemove --window "$win" "$1" "$2"; }
for k in $(seq 40); do at $((100 + k * 15)) $((200 + k * 8)); sleep 0.03; done  # over the page
for k in $(seq 40); do at $((200 + k % 8 * 34)) $((215 + k / 8 * 34)); sleep 0.03; done  # the records
at 400 400
for _ in $(seq 10); do xdotool click 5; sleep 0.1; done  # scroll down
for _ in $(seq 10); do xdotool click 4; sleep 0.1; done
xdotool keydown ctrl
for _ in $(seq 4); do xdotool click 4; sleep 0.2; done  # zoom in and out
for _ in $(seq 4); do xdotool click 5; sleep 0.2; done
xdotool keyup ctrl
at 300 300
for _ in $(seq 10); do xdotool click 5; sleep 0.1; done  # the palette's list
for _ in $(seq 10); do xdotool click 4; sleep 0.1; done
at 215 215; xdotool mousedown 1  # a record dragged onto the page
for k in $(seq 30); do at $((215 + k * 10)) $((215 + k * 8)); sleep 0.03; done
xdotool mouseup 1
sleep 3
at 600 60; xdotool click 1  # the menu bar: the keys go to the window
xdotool key ctrl+z
sleep 5
before=$(cpu)
sleep 10
idle=$(($(cpu) - before))
for _ in $(seq 20); do
  at 600 60; xdotool click 1; xdotool key ctrl+q
  for _ in $(seq 10); do kill -0 "$gui" 2> /dev/null || break 2; sleep 0.1; done
done
kill -0 "$gui" 2> /dev/null && { echo "the window did not close (see $work/gui.log)"; exit 1; }
wait "$gui" || true
echo "$paths paths, $records records"
cat "$work/stats.txt"
echo "idle: $((idle / 10)).$((idle % 10)) % of one core over 10 s"
