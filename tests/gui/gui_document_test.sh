#!/usr/bin/env bash
# velm-host gui as a document editor in a real X server (Xvfb), driven by xdotool: an SVG
# this program wrote is opened, edited (a record dragged onto it) and saved with Ctrl+S: it
# stays SVG and draws as the document does (the same state saved as a scene draws the same
# picture); Save As onto an existing file asks, and Return alone leaves the file alone; an
# SVG another program wrote is not replaced by Ctrl+S without a question; quitting with
# unsaved changes asks (Cancel keeps the window, Discard closes it, the file unchanged).
# The title bar marks unsaved changes; the library used is remembered for the next start.
# Every wait polls for what the step leads to. Exit 77 (skipped) without Xvfb/xdotool.
# Usage: gui_document_test.sh VELM_HOST SOURCE_DIR WORK_DIR
set -euo pipefail
host=$1 src=$2 work=$3
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

rm -rf "$work" && mkdir -p "$work"
export XDG_CONFIG_HOME="$work/config"
source "$(dirname "$0")/gui_display.sh"
fail() { echo "FAIL: $*"; sed 's/^/  gui: /' "$work/gui.log" 2> /dev/null || true; exit 1; }
# Polls (up to 20 s) until the command succeeds.
until_true() {
  for _ in $(seq 200); do "$@" > /dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
logged() { grep -qF -- "$1" "$work/gui.log"; }
count() { grep -cF -- "$1" "$work/gui.log" || true; }
title() { xdotool getwindowname "$win" 2> /dev/null; }
titled() { [[ "$(title)" == $1 ]]; }

"$host" capture "$src/demo/sample.json" --library "$work/lib" --group sun --name Sun \
  --select sun > /dev/null
# An SVG written by this program's SVG writer, and one another editor wrote (a mask the
# window cannot hold, a comment, a style sheet).
"$host" render "$src/demo/canvas.json" -o "$work/doc.svg" > /dev/null
cp "$work/doc.svg" "$work/doc-before.svg"
cat > "$work/foreign.svg" << 'EOF'
<?xml version="1.0"?>
<!-- drawn elsewhere -->
<svg xmlns="http://www.w3.org/2000/svg" width="400" height="300">
  <style>.a { fill: #3050c0 }</style>
  <mask id="m"><rect width="200" height="150" fill="#fff"/></mask>
  <rect class="a" x="20" y="20" width="300" height="200" mask="url(#m)"/>
</svg>
EOF
cp "$work/foreign.svg" "$work/foreign-before.svg"
echo precious > "$work/keep.json"

start_display "$work"

"$host" gui --drive-c "$work/drive-c" --library "$work/lib" --scene "$work/doc.svg" \
  > "$work/gui.log" 2>&1 &
gui=$!
pids+=("$gui")
win=""
until_true xdotool search --name "VELM-Pro" || fail "no window appeared"
win=$(xdotool search --name "VELM-Pro" | head -1)
titled "doc.svg*VELM-Pro" || fail "the title does not name the document: $(title)"
at() { xdotool mousemove --window "$win" "$1" "$2"; sleep 0.05; }
# A record of the palette dragged onto the document: an edit.
edit() {
  at 215 215; xdotool mousedown 1; sleep 0.2
  for p in "260 260" "400 380" "500 450"; do at $p; done
  xdotool mouseup 1
}
# A key, pressed until the window says `what` once more (the keys reach it once it has
# the focus).
press() {
  local before
  before=$(count "$2")
  for _ in $(seq 20); do
    xdotool key "$1"
    for _ in $(seq 10); do [ "$(count "$2")" -gt "$before" ] && return 0; sleep 0.1; done
  done
  return 1
}
# Save As: the path typed over the one proposed (it is selected), Return.
save_as() {
  press ctrl+shift+s "save as: type" || fail "Ctrl+Shift+S opened no chooser"
  xdotool type --delay 10 "$1"
  xdotool key Return
}

sleep 1
for _ in $(seq 20); do
  edit
  until_true titled "• doc.svg*" && break
done
titled "• doc.svg*" || fail "the title does not mark the change: $(title)"
press ctrl+s "saved $work/doc.svg as SVG" || fail "Ctrl+S did not save the SVG"
until_true titled "doc.svg*" || fail "the title still marks a change: $(title)"
head -c 5 "$work/doc.svg" | grep -q "<?xml" || fail "doc.svg is no longer SVG"
grep -q "xmlns:velm" "$work/doc.svg" || fail "doc.svg was not written by the SVG writer"
save_as "$work/copy.json"
until_true logged "saved $work/copy.json as a scene" || fail "Save As did not write the scene"

# Save As onto an existing file: asked, and Return (the question's default) keeps it.
save_as "$work/keep.json"
until_true logged "question: $work/keep.json already exists" || fail "Save As did not ask"
xdotool key Return
until_true logged "not saved: $work/keep.json is unchanged" || fail "Return did not cancel"
[ "$(cat "$work/keep.json")" = precious ] || fail "keep.json was replaced"
xdotool key Escape

# An SVG another program wrote: Ctrl+S says what it would lose and asks.
press ctrl+o "open: type" || fail "Ctrl+O opened no chooser"
xdotool type --delay 10 "$work/foreign.svg"
xdotool key Return
until_true logged "opened $work/foreign.svg" || fail "foreign.svg did not open"
# The drag is tried again while the window is still busy with the new document (under
# load its first press can come before the palette is drawn anew).
for _ in $(seq 5); do
  edit
  until_true titled "• foreign.svg*" && break
done
titled "• foreign.svg*" || fail "the title does not mark the change: $(title)"
press ctrl+s "question: Saving replaces foreign.svg" || fail "Ctrl+S did not ask"
logged "mask (1)" || fail "the question does not say the mask is lost"
xdotool key Escape
cmp -s "$work/foreign.svg" "$work/foreign-before.svg" || fail "foreign.svg was replaced"

# Quitting with unsaved changes asks: Cancel keeps the window, Discard closes it.
press ctrl+q "question: Save the changes to foreign.svg before closing?" ||
  fail "Ctrl+Q did not ask"
xdotool key Escape
until_true logged "cancelled" || fail "Escape did not cancel"
sleep 0.5
kill -0 "$gui" 2> /dev/null || fail "the window closed although the question was cancelled"
xdotool key ctrl+q
sleep 0.3
xdotool key Right Return
until_true bash -c "! kill -0 $gui" || fail "Discard did not close the window"
wait "$gui" || fail "velm-host gui ended with status $?"
cmp -s "$work/foreign.svg" "$work/foreign-before.svg" || fail "foreign.svg was changed"

# The saved SVG draws as the same state saved as a scene, and holds the dropped art.
"$host" render "$work/doc.svg" -o "$work/svg.png" > /dev/null
"$host" render "$work/copy.json" -o "$work/scene.png" > /dev/null
"$host" render "$work/doc-before.svg" -o "$work/before.png" > /dev/null
cmp -s "$work/svg.png" "$work/scene.png" || fail "the saved SVG does not draw as the document"
! cmp -s "$work/svg.png" "$work/before.png" || fail "the saved SVG does not hold the edit"
grep -qx "library=$work/lib" "$work/config/velm-host/gui.ini" || fail "the library is not remembered"
echo "gui document passed"
