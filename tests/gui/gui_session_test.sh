#!/usr/bin/env bash
# velm-host gui in a real X server (Xvfb), driven by xdotool as a person would: a record
# is dragged from the palette onto the document, the dropped art is selected and added as
# a new record through the record dialog (typed), the scene is saved and the window quit.
# Then the saved scene and the library are checked. Exit 77 (skipped) without Xvfb/xdotool.
# Usage: gui_session_test.sh VELM_HOST VELM SOURCE_DIR WORK_DIR [SCREENSHOT_COPY]
set -euo pipefail
host=$1 velm=$2 src=$3 work=$4 copy=${5:-}
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

rm -rf "$work" && mkdir -p "$work"
export XDG_CONFIG_HOME="$work/config"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; sed 's/^/  gui: /' "$work/gui.log" 2> /dev/null || true; exit 1; }

"$host" capture "$src/demo/sample.json" --library "$work/lib" --group sun --name Sun \
  --select sun > /dev/null
cp "$src/demo/canvas.json" "$work/scene.json"

# A display of our own: Xvfb reports its number once it listens.
exec 3< <(Xvfb -displayfd 1 -screen 0 1400x900x24 -nolisten tcp 2> "$work/xvfb.log")
read -r -t 20 display <&3 || { echo "skipped: Xvfb did not start"; exit 77; }
pids+=($(pgrep -n -x Xvfb))
export DISPLAY=":$display"

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

# The palette's first record (the sun's icon) dragged onto the document and dropped.
at 215 215
xdotool mousedown 1; sleep 0.2
for p in "260 260" "400 380" "500 450"; do at $p; done
xdotool mouseup 1; sleep 0.5
# A click on the dropped sun selects it; the palette's timer then enables the add button.
at 595 540
xdotool click 1; sleep 1.2
at 343 326
xdotool click 1; sleep 0.8
# The record dialog: the name is typed into the focused field, the screen shot, Return.
xdotool type --delay 60 "Sun2"; sleep 0.3
xdotool key F12; sleep 0.5
xdotool key Return
# The record is written once the dialog has closed (slow under the sanitizers): the keys
# after it go to the window only then.
for _ in $(seq 100); do
  grep -q "Sun2" <<< "$("$velm" ls "$work/lib" --group sun 2> /dev/null)" && break
  sleep 0.2
done
sleep 0.5
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
