#!/usr/bin/env bash
# End-to-end figures from fake GigE Vision cameras on loopback: Aravis's own arv-camera-test,
# Aravis alone in gige_bench, and the driver with its Aravis-backed SDK, for one camera and for
# four, all in one run on the same fake cameras.
#   scripts/bench-gige.sh [seconds] [frames per second]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
rate=${2:-200}

if [ "${TARNIX_IN_LOOPBACK_NET:-}" != 1 ]; then
  bash scripts/setup.sh
  cmake --preset linux-release >/dev/null
  cmake --build --preset linux-release -j "$(nproc)" --target gige_bench tarnixdrv PvAPI_gige
  exec scripts/in-loopback-net.sh "$0" "$@"
fi

bench=build/linux-release/bin/gige_bench
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
cameras=()
for n in 0 1 2 3; do
  address=127.0.0.$((n + 2))
  arv-fake-gv-camera-0.8 -i "$address" -s "BENCH$n" >/dev/null 2>&1 &
  pids+=($!)
  cameras+=(--camera "$address")
done
sleep 1

echo "== arv-camera-test-0.8 on ${cameras[1]}, ${seconds} s at ${rate} frames/s"
/usr/bin/time -f "arv-camera-test CPU: %U s user, %S s system" \
  timeout -s INT "$seconds" arv-camera-test-0.8 -n "${cameras[1]}" -f "$rate" 2>&1 |
  grep -E "frames/s|n_completed_buffers|CPU" || true

for count in 1 4; do
  selected=("${cameras[@]:0:$((count * 2))}")
  echo
  echo "== ${count} camera(s)"
  # Software-trigger round trips on the first camera, in the one-camera run only.
  triggers=0
  [ "$count" -ne 1 ] || triggers=50
  for via in aravis driver; do
    "$bench" --via "$via" "${selected[@]}" --seconds "$seconds" --rate "$rate" --triggers "$triggers"
  done
done
