#!/usr/bin/env bash
# End-to-end figures from fake GigE Vision cameras on loopback: Aravis's own arv-camera-test,
# Aravis alone in gige_bench, and the driver with its Aravis-backed SDK, for one camera and for
# four, all in one run on the same fake cameras; then whole frames from one camera losing 0, 5
# and 20 stream packets per thousand, continuous and in grabs, through both.
#   scripts/bench-gige.sh [--size WIDTHxHEIGHT|max] [seconds] [frames per second] [grabs]
#   scripts/bench-gige.sh --loss-only [seconds] [grabs]   (the loss part alone)
# --size: the image of the one- and four-camera runs (default 512x512, the fake camera's own;
# max is its largest, 2048x2048, 4 MiB a frame: give a rate the machine can take, e.g. 25).
set -euo pipefail
cd "$(dirname "$0")/.."
loss_only=0
size=512x512
if [ "${1:-}" = --size ]; then
  size=$2
  shift 2
fi
if [ "${1:-}" = --loss-only ]; then
  loss_only=1
  shift
  seconds=${1:-5}
  grabs=${2:-100}
else
  seconds=${1:-5}
  rate=${2:-200}
  grabs=${3:-100}
fi

if [ "${TARNIX_IN_LOOPBACK_NET:-}" != 1 ]; then
  bash scripts/setup.sh
  cmake --preset linux-release >/dev/null
  cmake --build --preset linux-release -j "$(nproc)" --target gige_bench tarnixdrv PvAPI_gige
  [ "$loss_only" -eq 0 ] || set -- --loss-only "$@"
  [ "$size" = 512x512 ] || set -- --size "$size" "$@"
  exec scripts/in-loopback-net.sh "$0" "$@"
fi

bench=build/linux-release/bin/gige_bench
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT

# One camera (Mono8 512x512, 188 packets a frame) at 25 frames/s losing $1 stream packets per
# thousand: Aravis alone, then the driver, on the same camera.
loss_run() {
  local loss=$1 address=127.0.0.9
  arv-fake-gv-camera-0.8 -i "$address" -s "LOSS$loss" -r "$loss" >/dev/null 2>&1 &
  local pid=$!
  pids+=("$pid")
  sleep 1
  echo
  echo "== loss ${loss} per thousand, 25 frames/s, ${seconds} s continuous, ${grabs} grabs"
  for via in aravis driver; do
    "$bench" --via "$via" --camera "$address" --seconds "$seconds" --rate 25 --triggers 0 \
      --size 512x512 --grabs "$grabs"
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

if [ "$loss_only" -eq 1 ]; then
  for loss in 0 5 20; do loss_run "$loss"; done
  exit 0
fi
cameras=()
for n in 0 1 2 3; do
  address=127.0.0.$((n + 2))
  arv-fake-gv-camera-0.8 -i "$address" -s "BENCH$n" >/dev/null 2>&1 &
  pids+=($!)
  cameras+=(--camera "$address")
done
sleep 1

echo "== arv-camera-test-0.8 on ${cameras[1]}, ${seconds} s at ${rate} frames/s (its own size)"
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
    "$bench" --via "$via" "${selected[@]}" --seconds "$seconds" --rate "$rate" --size "$size" \
      --triggers "$triggers"
  done
done

for loss in 0 5 20; do loss_run "$loss"; done
