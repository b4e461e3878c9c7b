#!/usr/bin/env bash
# Screenshots of the configuration sheet on a simulated camera as camhost configure shows it,
# driven by keys as a user drives it: every tab, then the LUT generator.
#   scripts/sheet-shots-live.sh FOLDER [CAMHOST]   (CAMHOST: a built camhost; release default)
# Linux (wxWidgets) under a display of its own; the Win32 build under Wine when CAMHOST ends in
# .exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${TARNIX_LIVE_SHOTS_DISPLAY:-}" ]; then
  TARNIX_LIVE_SHOTS_DISPLAY=1 exec "$root/scripts/with-xvfb.sh" "$0" "$@"
fi
out=$1
camhost=${2:-$root/build/linux-release/bin/camhost}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The next tab: Ctrl+Page Down in a GTK notebook; a click on the tab in Wine's property sheet,
# whose keyboard shortcut for it moves the focus instead.
run=("$camhost")
tabs_x=()
# Places in the window: the LUT tab, its "LUT Enable" box and its "Generate LUT" button.
lut_tab=(214 25) lut_enable=(32 81) lut_generate=(144 186)
case "$camhost" in
  *.exe)
    run=("$root/scripts/wine-gui-run.sh" "$camhost")
    tabs_x=(40 98 155 210 268) lut_tab=(155 39) lut_enable=(31 77) lut_generate=(134 159)
    ;;
esac
"${run[@]}" -q --system-path "$work" configure "SimMono8 [SIM-1001]" >/dev/null 2>&1 &
pid=$!

window=
for _ in $(seq 1 300); do
  window=$(xdotool search --onlyvisible --name "SimMono8" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "sheet-shots-live: no sheet came up" >&2; kill "$pid"; exit 1; }
sleep 1.5
shot() {
  sleep 0.8
  import -window root png:- | convert png:- -trim +repage "$out/$1.png"
}
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
names=(general controls lut gige attributes)
for tab in 0 1 2 3 4; do
  if [ ${#tabs_x[@]} -gt 0 ]; then
    xdotool mousemove --window "$window" "${tabs_x[$tab]}" 39 click 1
  fi
  shot "${names[$tab]}"
  [ ${#tabs_x[@]} -gt 0 ] || xdotool key --window "$window" ctrl+Next
done
# The generator on the LUT tab, with the table switched on (in this run's own settings).
xdotool mousemove --window "$window" "${lut_tab[@]}" click 1
sleep 0.5
xdotool mousemove --window "$window" "${lut_enable[@]}" click 1
sleep 0.5
xdotool mousemove --window "$window" "${lut_generate[@]}" click 1
sleep 1
shot generator
xdotool key Escape
sleep 0.5
xdotool key --window "$window" Escape
wait "$pid" || true
ls "$out"
