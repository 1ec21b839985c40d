#!/usr/bin/env bash
# velm-host gui in a real X server (Xvfb), driven by xdotool as a person would: the add
# button pressed with nothing selected says why it is disabled; a record is dragged from
# the palette onto the document, where the dropped art stays selected, and is added at
# once as a new record through the record dialog (typed); the scene is saved and the
# window quit. The message strip's words (mirrored in the log) are checked after each
# step, then the saved scene and the library. Exit 77 (skipped) without Xvfb/xdotool.
# Usage: gui_session_test.sh VELM_HOST VELM SOURCE_DIR WORK_DIR [SCREENSHOT_COPY]
set -euo pipefail
host=$1 velm=$2 src=$3 work=$4 copy=${5:-}
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

rm -rf "$work" && mkdir -p "$work"
export XDG_CONFIG_HOME="$work/config"
source "$(dirname "$0")/gui_display.sh"
fail() { echo "FAIL: $*"; sed 's/^/  gui: /' "$work/gui.log" 2> /dev/null || true; exit 1; }

"$host" capture "$src/demo/sample.json" --library "$work/lib" --group sun --name Sun \
  --select sun > /dev/null
cp "$src/demo/canvas.json" "$work/scene.json"

start_display "$work"

"$host" gui --drive-c "$work/drive-c" --library "$work/lib" --scene "$work/scene.json" --save-as "$work/saved.json" \
  --screenshot "$work/gui.png" > "$work/gui.log" 2>&1 &
gui=$!
pids+=("$gui")
win=""
for _ in $(seq 100); do
  win=$(xdotool search --name "VELM-Pro" 2> /dev/null | head -1) && [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "no window appeared"
sleep 1
at() { xdotool mousemove --window "$win" "$1" "$2"; sleep 0.15; }

logged() { grep -qF "$1" "$work/gui.log"; }
# Polls (up to 10 s) until the log holds the text.
until_logged() {
  for _ in $(seq 100); do logged "$1" && return 0; sleep 0.1; done
  return 1
}

# Nothing is selected: the add button is disabled, and a press says why.
at 343 326
xdotool click 1
until_logged "velm-host gui: select art to add" || fail "the disabled add button gave no reason"
# The palette's first record (the sun's icon) dragged onto the document and dropped.
at 215 215
xdotool mousedown 1; sleep 0.2
for p in "260 260" "400 380" "500 450"; do at $p; done
xdotool mouseup 1
until_logged 'velm-host gui: placed "Sun"' || fail "the drop was not told"
# The dropped sun stays selected: the palette's timer enables the add button for it.
sleep 1.2
at 343 326
xdotool click 1; sleep 0.8
# The record dialog: the name is typed into the focused field, Return.
xdotool type --delay 60 "Sun2"; sleep 0.3
xdotool key Return
# The record is written once the dialog has closed (slow under the sanitizers): the keys
# after it go to the window only then. The screen is shot with the add confirmed.
until_logged 'velm-host gui: added "Sun2" to sun' || fail "the add was not told"
sleep 0.3
xdotool key F12; sleep 0.5
xdotool key ctrl+s
for _ in $(seq 50); do [ -s "$work/saved.json" ] && break; sleep 0.2; done
sleep 0.3
xdotool key ctrl+q
for _ in $(seq 100); do kill -0 "$gui" 2> /dev/null || break; sleep 0.1; done
wait "$gui" || fail "velm-host gui ended with status $?"

grep -q "saved $work/saved.json" "$work/gui.log" || fail "the scene was not saved"
[ -s "$work/gui.png" ] || fail "no screenshot"
before=$(grep -o '"type"' "$work/scene.json" | wc -l)
after=$(grep -o '"type"' "$work/saved.json" | wc -l)
[ "$after" -gt "$before" ] || fail "the saved scene holds no new art ($before, $after)"
listing=$("$velm" ls "$work/lib" --group sun)
echo "$listing"
grep -q "Sun2" <<< "$listing" || fail "the new record is not in the library"
[ "$(grep -c '^  [0-9]' <<< "$listing")" -eq 2 ] || fail "the group does not hold two records"
# The new record is the dropped sun (7 objects), not the frame around it.
grep -q "Sun2.*180 × 180 pt	7	" <<< "$listing" || fail "the new record is not the sun"
"$velm" verify "$work/lib" > /dev/null || fail "the library does not verify"
if [ -n "$copy" ]; then mkdir -p "$(dirname "$copy")" && cp "$work/gui.png" "$copy"; fi
echo "gui session passed"
