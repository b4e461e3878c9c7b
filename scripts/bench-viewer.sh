#!/usr/bin/env bash
# camhost view at a simulated camera's full rate: frames received, shown and dropped, and the
# resident memory after one second and at the end, on a virtual display of its own.
#   scripts/bench-viewer.sh [CAMERA] [SECONDS] [RATE]   (release build; builds what it needs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${TARNIX_BENCH_VIEWER_DISPLAY:-}" ]; then
  cmake --preset linux-release >/dev/null
  cmake --build --preset linux-release -j "$(nproc)" --target camhost PvAPI tarnixdrv tarnixui_wx >/dev/null
  TARNIX_BENCH_VIEWER_DISPLAY=1 exec "$root/scripts/with-xvfb.sh" "$0" "$@"
fi
camera=${1:-SimMono8 [SIM-1001]} seconds=${2:-10} rate=${3:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The same camera with a host that only counts its frames, for comparison.
"$root/build/linux-release/bin/camhost" -q --system-path "$work" stream "$camera" \
  --frame-rate "$rate" --seconds "$seconds" | tail -n 1 >"$work/stream"
"$root/build/linux-release/bin/camhost" -q --system-path "$work" view "$camera" \
  --frame-rate "$rate" --seconds "$seconds" >"$work/out" 2>&1 &
pid=$!
sleep 1
first=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
sleep "$(awk -v s="$seconds" 'BEGIN { print s - 1.5 }')"
last=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
wait "$pid"
summary=$(tail -n 1 "$work/out")
received=${summary%% *}
counted=$(cat "$work/stream")
echo "$camera at up to $rate frames/s for $seconds s"
echo "  camhost stream: $counted ($(awk -v n="${counted%% *}" -v s="$seconds" 'BEGIN { printf "%.1f", n / s }') frames/s)"
echo "  camhost view:   $summary"
echo "                  $(awk -v n="$received" -v s="$seconds" 'BEGIN { printf "%.1f", n / s }') frames/s received; resident memory ${first} kB after 1 s, ${last} kB near the end"
