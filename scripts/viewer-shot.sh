#!/usr/bin/env bash
# A screenshot of camhost view on a simulated colour camera (the moving gradient), for the docs.
#   scripts/viewer-shot.sh FILE [CAMHOST]   (CAMHOST: a built camhost; release default; the
#                                             Win32 build under Wine when it ends in .exe)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${TARNIX_VIEWER_SHOT_DISPLAY:-}" ]; then
  TARNIX_VIEWER_SHOT_DISPLAY=1 exec "$root/scripts/with-xvfb.sh" "$0" "$@"
fi
file=$1
camhost=${2:-$root/build/linux-release/bin/camhost}
run=("$camhost")
case "$camhost" in *.exe) run=("$root/scripts/wine-gui-run.sh" "$camhost") ;; esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"${run[@]}" -q --system-path "$work" view "SimBayer8 [SIM-1003]" --pattern gradient \
  -o "$work/snaps" >"$work/out" 2>&1 &
pid=$!
window=
for _ in $(seq 1 300); do
  grep -q "^showing" "$work/out" && window=$(xdotool search --onlyvisible --name "camhost view" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "viewer-shot: no viewer came up" >&2; cat "$work/out" >&2; kill "$pid"; exit 1; }
sleep 2.5  # a status line with its figures
mkdir -p "$(dirname "$file")"
import -window root png:- | convert png:- -trim +repage "$file"
xdotool windowfocus "$window" 2>/dev/null || true
xdotool key Escape
wait "$pid" || true
echo "$file"
