#!/usr/bin/env bash
# The demo: the plug-in's life in the stand-in host, then a library made from a sample
# document and placed back into another one.
#
#   scripts/demo.sh [BUILD_DIR] [OUT_DIR]
#
# OUT_DIR (demo-output) receives:
#   before.png      the sample document, every kind of art
#   library/        three groups captured from it (Japanese names and kinds)
#   library.txt     velm ls of the library
#   thumbnails.png  the records' thumbnails on one sheet
#   drag-screen.png the virtual screen during a drag: the preview's outline, snapped
#   after.png       a new document with the records placed back at snapped points, with
#                   different origin modes (after.json is the same document as a scene)
#   export-*.png    single records drawn by velm export
#   palette-*.png   the palette on the virtual desktop: each view, the hover label, a drag
#   dialog-*.png    the record, search, settings and confirmation dialogs during a day's
#                   work on a copy of the library (workday-library/, workday.png)
#   svg-placed.svg, svg-placed.png, svg-palette.png
#                   an SVG another editor wrote (demo/emblem.svg): its emblem added as a
#                   record, dropped onto the canvas and saved as SVG
#   actions-recorded.png, actions-replayed.png, actions.txt
#                   a piece of work recorded as host actions (actions.txt lists the
#                   events) and played back into a fresh library and document
#   palette-icons-imported.png
#                   the palette on the group アイコン: installed SVG icons brought in by
#                   velm import
#   icons-symbols.svg, icons-symbols.png
#                   that group written back as one SVG symbol set (velm export --symbols)
#                   and the reference renderer's drawing of it
#   gui.png         the window (velm-host gui, run in Xvfb when it and xdotool are there)
#                   after a record was dropped onto the document and added again, the
#                   add confirmed in its message strip
set -euo pipefail

build=${1:-build}
out=${2:-demo-output}
host="$build/hostsim/velm-host"
velm="$build/tools/velm/velm"
here=$(cd "$(dirname "$0")/.." && pwd)
sample="$here/demo/sample.json"
canvas="$here/demo/canvas.json"

"$host" run --out "$out"

echo
echo "== The sample document"
rm -rf "$out/library" "$out"/export-*.png
mkdir -p "$out/library"
"$host" render "$sample" -o "$out/before.png"

echo
echo "== Capturing records"
capture() { # group name kind id
  "$host" capture "$sample" --library "$out/library" --group "$1" --name "$2" \
    --kind "$3" --comment "sample.json: $4" --select "$4"
}
while read -r group name kind id; do
  [[ -z "$group" || "$group" == "#"* ]] || capture "$group" "$name" "$kind" "$id" < /dev/null
done < "$here/demo/records.txt"

"$velm" ls "$out/library" | tee "$out/library.txt"
"$velm" verify "$out/library"
"$velm" sheet "$out/library" -o "$out/thumbnails.png" --columns 4

echo
echo "== Placing records into a new document"
# canvas.json: a frame from (20, 20) to (580, 580), its two diagonals crossing at
# (300, 300) and a baseline at y = 160, on a layer below the current one.
doc="$out/after.json"
cp "$canvas" "$doc"
place() { # group record at origin [snap options...]
  local group=$1 record=$2 at=$3 origin=$4
  shift 4
  "$host" place "$out/library" "$group" "$record" --at "$at" --origin "$origin" "$@" \
    --scene "$doc" -o "$out/next.json"
  mv "$out/next.json" "$doc"
}
# The sun is dragged in as from the palette: the preview's outline follows the cursor on
# the virtual screen (drag-screen.png shows it at the last point, snapped onto the frame's
# top-left corner), then the record is dropped there with its top left on the corner.
"$host" drag "$out/library" 図形 0 --through 200,300 --through 100,450 --through 21.5,578.5 \
  --origin 0 --snap anchor --scene "$doc" --screen "$out/drag-screen.png" -o "$out/next.json"
mv "$out/next.json" "$doc"
place 文字 1 301,299.5 4 --snap intersection        # badge: centred on the diagonals' crossing
place 図形 2 470,161.5 5 --snap path                # tiles: bottom centre on the baseline
place 画像 0 538,447 8 --snap grid --grid 50,50     # colour chart: bottom right on the grid
place 図形 1 560,420 6                              # lozenge: top right at a plain point
place 文字 0 400,70 4                               # welcome text: centred
place 画像 1 30,40 2                                # mesh: bottom left
place 図形 3 120,200 1 --snap path,grid --grid 10,10 # wave: middle left, on the grid
"$host" render "$doc" -o "$out/after.png"

echo
echo "== Single records as pictures"
"$velm" export "$out/library/図形.VEL" 0 -o "$out/export-sun.png"
"$velm" export "$out/library" 1 --group 文字 -o "$out/export-badge.png"

echo
echo "== The palette in a scripted session"
# The host starts on the library with the canvas open; the palette is shown in each view,
# a record hovered, the anchor snap switched on in the settings dialog and a record
# dragged onto the frame's corner (demo/palette-session.txt).
rm -rf "$out/palette-drive"
"$host" session "$here/demo/palette-session.txt" --library "$out/library" \
  --scene "$canvas" --out "$out"

echo
echo "== A day's work with the palette"
# On a copy of the library with the sample document open: a record added through the
# record dialog, one renamed, one moved, a search narrowed, a setting changed, a record
# and a group removed (demo/workday-session.txt); the dialogs' pictures.
rm -rf "$out/workday-library"
cp -r "$out/library" "$out/workday-library"
"$host" session "$here/demo/workday-session.txt" --library "$out/workday-library" \
  --scene "$sample" --out "$out"
"$velm" ls "$out/workday-library" | tee "$out/workday-library.txt"
"$velm" verify "$out/workday-library"

echo
echo "== An SVG another editor wrote, through the palette"
# demo/emblem.svg opened as the document: its emblem added as a record, dropped onto the
# canvas, the result saved as SVG (svg-placed.svg, drawn as svg-placed.png) and as a scene.
rm -rf "$out/svg-library"
"$host" session "$here/demo/svg-session.txt" --library "$out/svg-library" \
  --scene "$here/demo/emblem.svg" --out "$out" > /dev/null
"$host" render "$out/svg-placed.svg" -o "$out/svg-placed.png"

echo
echo "== Recorded actions played back into a fresh library and document"
rm -rf "$out/actions" "$out"/actions*.png "$out/actions.txt" "$out/actions.set"
"$host" session "$here/demo/actions-session.txt" --library "$out/actions/recorded" \
  --scene "$sample" --out "$out" >/dev/null
cat "$out/actions.txt"
# The libraries are equal apart from the dates (and their folders); the documents draw
# the same picture.
listing() { "$velm" ls "$1" --json | grep -v -e '"library":' -e '"text":' -e '"raw":'; }
if ! diff <(listing "$out/actions/recorded") <(listing "$out/actions/replayed"); then
  echo "the replayed library differs from the recorded one" >&2
  exit 1
fi
if ! cmp -s "$out/actions-recorded.png" "$out/actions-replayed.png"; then
  echo "the replayed document differs from the recorded one" >&2
  exit 1
fi
"$velm" ls "$out/actions/replayed"
echo "The replayed library and document are the same as the recorded ones."

echo
echo "== SVG artwork in and out"
# A few dozen of the icons the system has installed become records of the group アイコン
# (each file captured by the plug-in as the add button does); the palette shows them, and
# the group goes out again as one symbol set any SVG editor opens.
icons=/usr/share/bootstrap-icons/svg
files=()
for name in alarm bag bell bookmark brush calendar camera chat cloud cup gear gift globe \
  heart house image key lamp lightning magic map moon music-note palette pencil pin printer \
  puzzle scissors star sun trash tree truck umbrella; do
  files+=("$icons/$name.svg")
done
"$velm" import "${files[@]}" "$out/library" --group アイコン --kind アイコン
"$host" session "$here/demo/icons-session.txt" --library "$out/library" \
  --scene "$canvas" --out "$out" >/dev/null
"$velm" export "$out/library" --group アイコン --symbols -o "$out/icons-symbols.svg"
rsvg-convert --zoom 3 "$out/icons-symbols.svg" -o "$out/icons-symbols.png"

echo
echo "== The window"
# velm-host gui in a virtual X server, driven as a person would: a record dropped onto the
# document stays selected and is added again at once; its screen is kept.
status=0
bash "$here/tests/gui/gui_session_test.sh" "$host" "$velm" "$here" "$out/gui-session" \
  "$out/gui.png" || status=$?
rm -rf "$out/gui-session"
[ "$status" -eq 0 ] || [ "$status" -eq 77 ] || exit "$status"

echo
echo "Pictures: $out/before.png, $out/drag-screen.png, $out/after.png, $out/thumbnails.png," \
  "$out/export-sun.png, $out/palette-*.png, $out/dialog-*.png, $out/workday.png," \
  "$out/svg-placed.png, $out/actions-recorded.png, $out/actions-replayed.png," \
  "$out/palette-icons-imported.png," \
  "$out/icons-symbols.svg, $out/icons-symbols.png, $out/gui.png"
