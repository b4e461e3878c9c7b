#!/usr/bin/env bash
# Screenshots of the Win32 configuration sheet under Wine on a virtual display: its five tabs
# and the generator dialog, from the win32 build's demo program, for looking at the layout.
#   scripts/win32-sheet-shots.sh [FOLDER]     (default: build/win32/shots)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${TARNIX_SHOTS_DISPLAY:-}" ]; then
  TARNIX_SHOTS_DISPLAY=1 exec "$root/scripts/with-xvfb.sh" "$0" "$@"
fi
out=${1:-$root/build/win32/shots}
demo=$root/build/win32/bin/ui_win32_sheet_demo.exe
[ -f "$demo" ] || { echo "no $demo: build the win32 preset first" >&2; exit 1; }
mkdir -p "$out"

# shoot NAME DEMO-ARGUMENT: the demo shows the sheet, says "ready", and closes when its input
# ends; the picture is the display cropped to what is drawn on it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shoot() {
  mkfifo "$work/input"
  "$root/scripts/wine-gui-run.sh" "$demo" "$2" <"$work/input" >"$work/output" 2>/dev/null &
  local pid=$!
  exec 3>"$work/input"
  for _ in $(seq 1 600); do
    grep -q ready "$work/output" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if grep -q ready "$work/output" 2>/dev/null; then
    sleep 1  # let the last paint reach the display
    import -window root png:- | convert png:- -trim +repage "$out/$1.png"
    echo "$out/$1.png"
  else
    echo "$1: the demo did not come up" >&2
  fi
  exec 3>&-
  wait "$pid" || true
  rm -f "$work/input" "$work/output"
}

shoot general 0
shoot controls 1
shoot lut 2
shoot gige 3
shoot attributes 4
shoot generator generator
