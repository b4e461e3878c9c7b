#!/usr/bin/env bash
# camhost view as a person uses it, on the display in DISPLAY (scripts/with-xvfb.sh gives one):
# the window shows the simulated camera's moving gradient pixel for pixel, Alt+S writes a
# snapshot of it, Alt+C opens the camera's configuration sheet and Escape closes it with the
# image still running, and Escape quits. Without a display, view says so in one line.
#   camhost-view-test.sh CAMHOST [RUNNER...]   (RUNNER: what starts CAMHOST, e.g. Wine)
set -euo pipefail
camhost=$1
shift
run=("$@" "$camhost")
work=$(mktemp -d)
pid=
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "camhost-view-test: $*" >&2
  [ ! -f "$work/out" ] || sed 's/^/  camhost: /' "$work/out" >&2
  exit 1
}

# --- Without a display ---------------------------------------------------------------------
if out=$(env -u DISPLAY -u WAYLAND_DISPLAY "${run[@]}" -q --system-path "$work" view 2>&1); then
  fail "view without a display succeeded"
fi
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || fail "view without a display said more than one line: $out"
case "$out" in *display*) ;; *) fail "view without a display did not say why: $out" ;; esac

# --- The window --------------------------------------------------------------------------------
# SimRgb24 is 1280 x 960; the window's image area is 800 x 600 from its top left corner, so
# the picture there is the frame scaled by 5/8, each pixel the one nearest its centre.
width=1280 height=960 shown_width=800 shown_height=600 shown_left=0
"${run[@]}" -q --system-path "$work" view "SimRgb24 [SIM-1005]" --pattern gradient \
  -o "$work/snaps" >"$work/out" 2>&1 &
pid=$!

wait_for_line() {  # PATTERN: a line of camhost's output
  for _ in $(seq 1 300); do
    grep -q "$1" "$work/out" && return 0
    kill -0 "$pid" 2>/dev/null || fail "camhost ended while waiting for \"$1\""
    sleep 0.1
  done
  fail "no \"$1\" from camhost"
}
visible_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }

wait_for_line "^showing SimRgb24"
window=
for _ in $(seq 1 100); do
  window=$(visible_windows "camhost view" | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no viewer window"
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"

# The red, green and blue of one pixel of an image file: "R G B".
pixel() {  # FILE X Y
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- | tail -n 1 |
    sed -E 's/^[^(]*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/'
}

# The simulated gradient of frame n at (x, y): red x + n, green y + n, blue
# 255 - ((x + y) / 2 + 2n), each modulo 256. Checks some points of FILE, whose pixel
# (LEFT + X, Y) shows the frame's (X * scale, Y * scale) as the viewer maps them, and prints the
# frame's n.
gradient_frame() {  # FILE SHOWN_WIDTH SHOWN_HEIGHT [LEFT]
  local file=$1 w=$2 h=$3 left=${4:-0} n=
  for point in "1 1" "$((w / 2)) $((h / 3))" "$((w - 2)) $((h - 2))" "$((w / 7)) $((h * 5 / 6))" \
               "$((w * 3 / 4)) 5"; do
    read -r x y <<<"$point"
    local sx=$(((2 * x + 1) * width / (2 * w))) sy=$(((2 * y + 1) * height / (2 * h)))
    read -r r g b <<<"$(pixel "$file" "$((left + x))" "$y")"
    [ -n "$n" ] || n=$(((r - sx) & 255))
    local er=$(((sx + n) & 255)) eg=$(((sy + n) & 255)) eb=$(((255 - ((sx + sy) / 2 + 2 * n)) & 255))
    if [ "$r $g $b" != "$er $eg $eb" ]; then
      echo "camhost-view-test: $file ($x, $y) is ($r, $g, $b); the gradient of frame $n has ($er, $eg, $eb) there" >&2
      return 1
    fi
  done
  echo "$n"
}

# The frame number on screen, from a screenshot of the window that shows the gradient whole.
# More tries: the first drawing may still be on its way (slow under the sanitizers), and a
# shot can catch the window between two drawings.
frame_on_screen() {
  for _ in $(seq 1 25); do
    import -window "$window" "$work/shot.png"
    gradient_frame "$work/shot.png" "$shown_width" "$shown_height" "$shown_left" \
      2>"$work/mismatch" && return 0
    sleep 0.2
  done
  cat "$work/mismatch" >&2
  fail "the window does not show the camera's gradient"
}
first=$(frame_on_screen)
sleep 1
second=$(frame_on_screen)
[ "$first" != "$second" ] || fail "the image stands still (frame $first twice)"

# --- A snapshot: the frame on screen at full size --------------------------------------------
xdotool key alt+s
wait_for_line "^snapshot written to "
snapshot=$(sed -n 's/^snapshot written to //p' "$work/out" | tail -n 1)
[ -f "$snapshot" ] || fail "no snapshot file $snapshot"
[ "$(identify -format '%w x %h' "$snapshot")" = "$width x $height" ] || fail "the snapshot is not $width x $height"
gradient_frame "$snapshot" "$width" "$height" >/dev/null || fail "the snapshot is not the camera's gradient"

# --- The configuration sheet, over the running image ---------------------------------------
other_windows() { visible_windows "SimRgb24" | grep -vx "$window" || true; }
open_sheet() {
  xdotool key alt+c
  sheet=
  for _ in $(seq 1 100); do
    sheet=$(other_windows | head -n 1)
    [ -n "$sheet" ] && break
    sleep 0.1
  done
  [ -n "$sheet" ] || fail "Alt+C opened no configuration sheet"
  sleep 0.5
}
wait_sheet_closed() {
  for _ in $(seq 1 100); do
    [ -z "$(other_windows)" ] && break
    sleep 0.1
  done
  [ -z "$(other_windows)" ] || fail "the sheet did not close"
  kill -0 "$pid" 2>/dev/null || fail "the viewer ended with the sheet"
  xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
}
image_moves() {  # WHEN
  local after later
  after=$(frame_on_screen)
  sleep 1
  later=$(frame_on_screen)
  [ "$after" != "$later" ] || fail "the image stands still $1"
}
open_sheet
xdotool key Escape
wait_sheet_closed
image_moves "after the sheet closed"

# --- A new image size from the sheet: the viewer opens the camera again ----------------------
# The General tab's Width field (a click where it is in the sheet), 640, then OK with Enter.
# The change stops the acquisition, and the image resumes at 640 x 960: 400 x 600 on screen,
# centred in the 800 x 600 area.
open_sheet
xdotool mousemove --window "$sheet" 335 289 click 1
sleep 0.3
xdotool key ctrl+a
xdotool type 640
xdotool key Return
wait_sheet_closed
width=640 shown_width=400 shown_left=200
image_moves "after the sheet changed the width"
xdotool key alt+s
for _ in $(seq 1 50); do
  [ "$(grep -c '^snapshot written to ' "$work/out")" -ge 2 ] && break
  sleep 0.1
done
snapshot=$(sed -n 's/^snapshot written to //p' "$work/out" | tail -n 1)
[ "$(identify -format '%w x %h' "$snapshot")" = "$width x $height" ] ||
  fail "the snapshot after the width change is not $width x $height"
gradient_frame "$snapshot" "$width" "$height" >/dev/null ||
  fail "the snapshot after the width change is not the camera's gradient"

# --- Escape quits ---------------------------------------------------------------------------
xdotool key Escape
status=0
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Escape did not close the viewer"
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "view ended with $status after Escape"
grep -Eq '^[0-9]+ frame\(s\) received, [0-9]+ shown, [0-9]+ dropped, [0-9]+ frame error\(s\)$' \
  "$work/out" || fail "no summary line"
echo "camhost-view-test: passed ($(tail -n 1 "$work/out"))"
