#!/usr/bin/env bash
# velm-host gui in a real X server (Xvfb), driven by xdotool: a scene opened with Ctrl+O
# and a typed path, all its art selected with a rubber band and added as a record, the
# record dragged back onto the document, the palette sized by its corner, the origin
# chosen in the settings dialog by a click, a search, the record found removed, another
# search, the document saved with Ctrl+Shift+S, another library chosen with Ctrl+L. The
# message strip's words (mirrored in the log) are checked after the add, the drop, the
# searches and the removal; then the saved scene, the library and the settings kept on
# drive C: are checked. Every wait polls for what the step leads to. Exit 77 (skipped)
# without Xvfb/xdotool.
# Usage: gui_window_test.sh VELM_HOST VELM SOURCE_DIR WORK_DIR
set -euo pipefail
host=$1 velm=$2 src=$3 work=$4
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

rm -rf "$work" && mkdir -p "$work/lib"
export XDG_CONFIG_HOME="$work/config"
source "$(dirname "$0")/gui_display.sh"
fail() { echo "FAIL: $*"; sed 's/^/  gui: /' "$work/gui.log" 2> /dev/null || true; exit 1; }
# Polls (up to 20 s) until the command succeeds.
until_true() {
  for _ in $(seq 200); do "$@" > /dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
logged() { grep -qF "$1" "$work/gui.log"; }
cp "$src/demo/sample.json" "$work/start.json"

start_display "$work"

"$host" gui --drive-c "$work/drive-c" --library "$work/lib" > "$work/gui.log" 2>&1 &
gui=$!
pids+=("$gui")
win=""
until_true xdotool search --name "VELM-Pro" || fail "no window appeared"
win=$(xdotool search --name "VELM-Pro" | head -1)
at() { xdotool mousemove --window "$win" "$1" "$2"; }
drag() {  # from (x1, y1) to (x2, y2) in steps
  at "$1" "$2"; xdotool mousedown 1
  for k in 1 2 3 4; do at $(($1 + ($3 - $1) * k / 4)) $(($2 + ($4 - $2) * k / 4)); sleep 0.05; done
  xdotool mouseup 1
}
# Ctrl+O, the path typed over the one proposed, Return.
# The keys reach the window once it has the focus: Ctrl+O until the chooser asks.
ask() {
  for _ in $(seq 20); do
    at 600 60; xdotool click 1; xdotool key "$1"
    for _ in $(seq 10); do logged "$2" && return 0; sleep 0.1; done
  done
  return 1
}
ask ctrl+o "open: type" || fail "Ctrl+O opened no chooser"
xdotool key --delay 5 $(printf 'BackSpace %.0s' $(seq 120))
xdotool type --delay 10 "$work/start.json"
xdotool key Return
until_true logged "opened $work/start.json" || fail "the scene did not open"

# A rubber band over the whole document selects its art; the add button is enabled by the
# palette's timer: pressed until the record dialog takes the typing.
drag 30 90 815 670
for _ in $(seq 40); do
  at 343 326; xdotool click 1; sleep 0.25
  tail -1 "$work/gui.log" | grep -q "select art to add" || break
done
xdotool type --delay 20 "Band"
xdotool key Return
until_true bash -c "'$velm' ls '$work/lib' | grep -q Band" || fail "the record was not added"
until_true logged 'velm-host gui: added "Band" to ' || fail "the add was not told"

# The record dragged back onto the document (its art is added there).
drag 215 215 500 450
until_true logged 'velm-host gui: placed "Band"' || fail "the drop was not told"
# The palette sized by its lower right corner, 100 pixels each way.
drag 403 332 503 432
# The settings dialog from the flyout menu (its arrow at the title bar's right end): the
# lower right cell of the origin selector, then Return.
at 500 192; xdotool click 1
at 520 $((200 + 1 + 13 * 16 + 8)); xdotool click 1
at $((480 + 40 + 24 + 4)) $((295 + 132 + 24 + 4)); xdotool click 1
xdotool key Return
# Searches from the flyout menu (entry 8): for the record's name, then for a name no record
# has; the strip tells how many records were found.
search() {
  at 500 192; xdotool click 1
  at 520 $((200 + 1 + 8 * 16 + 8)); xdotool click 1
  sleep 0.5
  xdotool type --delay 20 "$1"
  xdotool key Return
}
sleep 0.5
search Band
until_true logged "velm-host gui: 1 record found" || fail "the search was not told"
# The record found is removed: its entry clicked, the remove button pressed once the
# palette's timer has enabled it, the confirmation's default button (the removal) taken.
at 215 215; xdotool click 1
for _ in $(seq 40); do
  at 475 426; xdotool click 1; sleep 0.25
  tail -1 "$work/gui.log" | grep -q "select a record to remove" || break
done
xdotool key Return
until_true logged 'velm-host gui: removed "Band" from UNTITLED' || fail "the removal was not told"
search Nothing
until_true logged "velm-host gui: no records found" || fail "the empty search was not told"

ask ctrl+shift+s "save as: type" || fail "Ctrl+Shift+S opened no chooser"
xdotool key --delay 5 $(printf 'BackSpace %.0s' $(seq 120))
xdotool type --delay 10 "$work/saved.json"
xdotool key Return
until_true test -s "$work/saved.json" || fail "the document was not saved"
# Ctrl+L: the plug-in starts anew on another library folder, the document kept.
ask ctrl+l "library: type" || fail "Ctrl+L opened no chooser"
xdotool key --delay 5 $(printf 'BackSpace %.0s' $(seq 120))
xdotool type --delay 10 "$work/lib2"
xdotool key Return
# A folder that is not there is asked about first: Cancel is the default, Create beside it.
until_true logged "question: The folder $work/lib2 does not exist" || fail "lib2 was not asked about"
xdotool key Left Return
until_true logged "library $work/lib2" || fail "the library was not changed"
closed=""
for _ in $(seq 20); do
  xdotool key ctrl+q
  for _ in $(seq 10); do kill -0 "$gui" 2> /dev/null || { closed=1; break 2; }; sleep 0.1; done
done
[ -n "$closed" ] || fail "the window did not close"
wait "$gui" || fail "velm-host gui ended with status $?"

before=$(grep -o '"type"' "$work/start.json" | wc -l)
after=$(grep -o '"type"' "$work/saved.json" | wc -l)
[ "$after" -gt "$before" ] || fail "the dragged record's art is not in the saved scene ($before, $after)"
prefs="$work/drive-c/Program Files/VELM Host/Host Prefs.txt"
grep -q "kADM_DPSizeStr	306 235" "$prefs" || fail "the palette's size was not kept: $(grep DPSize "$prefs")"
grep -q "originMode = 8" "$work/drive-c/velm/Prefs/VELM-Pro.ini" || fail "the origin was not chosen"
"$velm" verify "$work/lib" > /dev/null || fail "the library does not verify"
echo "gui window passed"
