#!/usr/bin/env bash
# camhost view's Win32 window under Wine, driven with real keys and clicks as a person drives
# it, on a simulated colour camera (SimRgb24, 1280 x 960):
#   tests/tools/camhost-view-wine-test.sh CAMHOST.exe
# - without a display: one line and a non-zero exit, before any window;
# - the colour bars on screen where they belong (white, yellow, cyan, green, magenta, red,
#   blue, black, 100 pixels each across the 800 x 600 image area at the client area's top
#   left corner); Alt+S and a click on Snapshot write PNG files that show the bars; Escape
#   with a button focused quits with 0 and the summary line;
# - the moving gradient: the image's rows top first and its columns left first, and the image
#   keeps changing while the configuration sheet (Alt+C) is open and after Escape closed it;
# - -s: the viewer closes by itself, the sheet left open cancelled, with 0.
# Keys go to the focused window (xdotool key without --window): Wine ignores synthetic events.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
camhost=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
bindir=$(dirname "$camhost")
camera="SimRgb24 [SIM-1005]"

fail() {
  echo "camhost-view-wine-test: $*" >&2
  exit 1
}

if [ -z "${CAMHOST_VIEW_TEST_DISPLAY:-}" ]; then
  # A prefix of its own: a Wine desktop process started with a display would serve windows to
  # every program of its prefix, this one included.
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$(dirname "$bindir")/wineprefix-nodisplay" \
    timeout 120 "$root/scripts/wine-run.sh" "$camhost" -q --system-path "$(mktemp -d)" \
    view "$camera" -s 10 2>&1) && rc=0 || rc=$?
  if [ "$rc" -eq 0 ] || [ "$rc" -eq 124 ]; then
    fail "without a display view exited with $rc: $out"
  fi
  if [ "$(printf '%s\n' "$out" | wc -l)" -ne 1 ] || [[ $out != camhost:* ]]; then
    fail "without a display view did not print one line: $out"
  fi
  echo "no display: $out (exit $rc)"
  CAMHOST_VIEW_TEST_DISPLAY=1 exec "$root/scripts/with-xvfb.sh" "$0" "$@"
fi

# A prefix of its own again: Wine's desktop process lives on the display of the program that
# started it, and the sheet's tests, run beside this one, take theirs away when they end.
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bindir")/wineprefix-view}
work=$(mktemp -d)
viewer=
trap '[ -z "$viewer" ] || kill "$viewer" 2>/dev/null || true; rm -rf "$work"' EXIT

# What the viewer printed, without the carriage returns of Windows' text mode.
printed() {
  tr -d '\r' <"$work/$1.out"
}

# The colour of one pixel of a PNG file as #RRGGBB. (The readers of pipes here read to the
# end: with pipefail, a writer cut off early would fail the command.)
pixel() {
  convert "$1" -depth 8 -crop "1x1+$2+$3" +repage txt:- | sed -n 's/.*\(#[0-9A-F]\{6\}\).*/\1/p'
}
# The same pixel as three decimal numbers: red, green, blue.
rgb() {
  convert "$1" -depth 8 -crop "1x1+$2+$3" +repage txt:- |
    sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p'
}
bars=("#FFFFFF" "#FFFF00" "#00FFFF" "#00FF00" "#FF00FF" "#FF0000" "#0000FF" "#000000")
names=(white yellow cyan green magenta red blue black)

# Starts a run of the viewer (NAME PATTERN [SECONDS]: it closes by itself after so long, 240
# by default, should the test's keys go astray) and waits for its window and its first frame
# on screen. Sets viewer (the process), window (the X window) and wx, wy, ww, wh (its place).
start() {
  mkdir -p "$work/$1"
  "$root/scripts/wine-gui-run.sh" "$camhost" -q --system-path "$work/$1" view "$camera" \
    --pattern "$2" -o "$work/$1/snaps" -s "${3:-240}" >"$work/$1.out" 2>"$work/$1.err" &
  viewer=$!
  window=
  for _ in $(seq 1 1200); do
    window=$(xdotool search --onlyvisible --name "camhost view" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && grep -q '^showing ' "$work/$1.out" && break
    kill -0 "$viewer" 2>/dev/null || fail "view ended before showing a frame: $(cat "$work/$1.err")"
    sleep 0.1
  done
  [ -n "$window" ] || fail "no viewer window after 120 s"
  printed "$1" | grep -qxF "showing $camera, 1280 x 960 colour" ||
    fail "no frame shown: $(printed "$1")"
  [ "$(xdotool getwindowname "$window")" = "camhost view - $camera" ] ||
    fail "the window's title is '$(xdotool getwindowname "$window")'"
  read -r wx wy ww wh < <(xdotool getwindowgeometry --shell "$window" |
    awk -F= '$1 == "X" { x = $2 } $1 == "Y" { y = $2 } $1 == "WIDTH" { w = $2 }
             $1 == "HEIGHT" { h = $2 } END { print x, y, w, h }')
  sleep 1
  xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  sleep 0.3
}

# Waits for the viewer to end (NAME SECONDS WHAT: what ought to close it) and checks its exit
# code and summary line.
finish() {
  for _ in $(seq 1 $(($2 * 10))); do
    kill -0 "$viewer" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$viewer" 2>/dev/null && fail "$3 did not close the viewer ($1)"
  local rc=0
  wait "$viewer" || rc=$?
  viewer=
  [ "$rc" -eq 0 ] || fail "view exited with $rc ($1): $(cat "$work/$1.err")"
  summary=$(printed "$1" |
    grep -E '^[0-9]+ frame\(s\) received, [0-9]+ shown, [0-9]+ dropped, 0 frame error\(s\)$') ||
    fail "no summary line ($1): $(printed "$1")"
  echo "$1: $summary"
}

# --- The bars on screen, snapshots, Escape with a button focused -----------------------------
start bars bars
import -window root "$work/screen.png"
# The client area's top: the first row of the green bar (column 350 of the image), looked for
# in the window's middle; its left: the green bar's first column, less 300. (Green, which stays
# green with red and blue swapped.) Wine draws the window's frame itself, so its size is not
# known beforehand.
top=$(convert "$work/screen.png" -depth 8 -crop "1x$wh+$((wx + ww / 2 - 50))+$wy" +repage txt:- |
  awk -F'[,:]' '/#00FF00/ && !found { print $2; found = 1 }')
[ -n "$top" ] || fail "no green bar in the window's middle column"
top=$((wy + top))
green=$(convert "$work/screen.png" -depth 8 -crop "${ww}x1+$wx+$((top + 300))" +repage txt:- |
  awk -F'[,:]' '/#00FF00/ && !found { print $1; found = 1 }')
[ -n "$green" ] || fail "no green bar in the image's middle row"
left=$((wx + green - 300))
echo "client area at $left,$top in the window at $wx,$wy (${ww} x $wh)"
inside_x=$((left - wx)) inside_y=$((top - wy))
for i in 0 1 2 3 4 5 6 7; do
  for y in 5 300 594; do
    got=$(pixel "$work/screen.png" $((left + 50 + 100 * i)) $((top + y)))
    [ "$got" = "${bars[$i]}" ] ||
      fail "bar $i (${names[$i]}) is $got at image $((50 + 100 * i)),$y instead of ${bars[$i]}"
  done
done
# The image fills 800 x 600 and no more: white from the first column, the band below it.
[ "$(pixel "$work/screen.png" "$left" "$((top + 599))")" = "#FFFFFF" ] ||
  fail "the image's bottom left pixel is not white"
[ "$(pixel "$work/screen.png" $((left + 350)) $((top + 600)))" != "#00FF00" ] ||
  fail "the image reaches below 600 rows"
[ "$(pixel "$work/screen.png" $((left + 50)) $((top - 1)))" != "#FFFFFF" ] ||
  fail "white above the image's first row: the client area is not where it was found"

# Alt+S, then a click on the Snapshot button, which keeps the focus for the Escape below.
xdotool key alt+s
for _ in $(seq 1 100); do
  [ -s "$work/bars/snaps/snapshot_0000.png" ] && break
  sleep 0.1
done
[ -s "$work/bars/snaps/snapshot_0000.png" ] || fail "Alt+S wrote no snapshot"
# Where the window puts the Snapshot button: right of the histogram, in the band below the image.
xdotool mousemove $((left + 737)) $((top + 663)) click 1
for _ in $(seq 1 100); do
  [ -s "$work/bars/snaps/snapshot_0001.png" ] && break
  sleep 0.1
done
[ -s "$work/bars/snaps/snapshot_0001.png" ] || fail "a click on Snapshot wrote no snapshot"
for snap in "$work"/bars/snaps/snapshot_000[01].png; do
  [ "$(identify -format '%w x %h' "$snap")" = "1280 x 960" ] || fail "$snap is not 1280 x 960"
  for i in 0 1 2 3 4 5 6 7; do
    got=$(pixel "$snap" $((80 + 160 * i)) 480)
    [ "$got" = "${bars[$i]}" ] || fail "$snap: bar $i (${names[$i]}) is $got"
  done
done
printed bars | grep -q "^snapshot written to .*snapshot_0001.png$" ||
  fail "no line for the second snapshot"
sleep 0.5
xdotool key Escape
finish bars 15 Escape

# --- The moving gradient: live while the sheet is open and after it closed -------------------
start gradient gradient
# Red grows with the camera's column and green with its row, both modulo 256, the same in
# every pixel of a frame: image pixels 10 and 100 show camera columns (and rows) 16 and 160.
left=$((wx + inside_x)) top=$((wy + inside_y))
import -window root "$work/screen.png"
read -r r0 g0 _ < <(rgb "$work/screen.png" $((left + 10)) $((top + 10)))
read -r r1 _ _ < <(rgb "$work/screen.png" $((left + 100)) $((top + 10)))
read -r _ g1 _ < <(rgb "$work/screen.png" $((left + 10)) $((top + 100)))
across=$(((r1 - r0 + 256) % 256)) down=$(((g1 - g0 + 256) % 256))
[ "$across" -eq 144 ] ||
  fail "red grows by $across instead of 144 from image column 10 to 100: not left first"
[ "$down" -eq 144 ] ||
  fail "green grows by $down instead of 144 from image row 10 to 100: not top first"
# Alt+C, and the sheet (a second window with the camera's name) that it shows: sets sheet.
open_sheet() {
  sheet=
  xdotool key alt+c
  for _ in $(seq 1 200); do
    sheet=$(xdotool search --onlyvisible --name "SimRgb24" 2>/dev/null | grep -vx "$window" |
      head -n 1 || true)
    [ -n "$sheet" ] && break
    sleep 0.1
  done
  [ -n "$sheet" ] || fail "Alt+C showed no configuration sheet"
}
# How many pixels of the image's lower right part change in a second.
changes() {
  import -window root "$work/a.png"
  sleep 1
  import -window root "$work/b.png"
  local region=300x200+$((wx + ww - 320))+$((wy + wh - 360))
  { compare -metric AE "$work/a.png[$region]" "$work/b.png[$region]" null: 2>&1 || true; } |
    awk '{ print int($1) }'
}
open_sheet
sleep 1
during=$(changes)
[ "${during:-0}" -gt 1000 ] ||
  fail "the image stood still while the sheet was open ($during pixels changed)"
xdotool key Escape
for _ in $(seq 1 100); do
  xdotool search --onlyvisible --name "SimRgb24" 2>/dev/null | grep -qx "$sheet" || break
  sleep 0.1
done
xdotool search --onlyvisible --name "SimRgb24" 2>/dev/null | grep -qx "$sheet" &&
  fail "Escape did not close the sheet"
sleep 0.5
after=$(changes)
[ "${after:-0}" -gt 1000 ] ||
  fail "the image stood still after the sheet closed ($after pixels changed)"
echo "pixels changed in a second: $during with the sheet open, $after after"
# The focus is back on the viewer (its Configure button), which Escape closes.
xdotool key Escape
finish gradient 15 Escape

# --- The time given: the viewer closes by itself, with the sheet left open -------------------
start timed bars 8
open_sheet
finish timed 30 "The end of the time given, with the sheet open,"
