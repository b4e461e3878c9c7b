#!/usr/bin/env bash
# The conversion kernels at every instruction-set level this machine runs, beside the peers
# and a memcpy of the same bytes, in one run, as one table per image size: ms per frame (the
# median CPU time of interleaved repetitions), the fastest level in bold; "whole frame" is
# ConvertFrame with the dispatched kernels (the Bayer ones with the SDK's demosaic).
#   scripts/bench-kernels.sh [repetitions] [min time per repetition, s] [sizes regex]
# Defaults: 5, 0.2, 1920x1080|4096x3000. The raw figures stay in build/bench-kernels.csv.
# BENCH_NO_SETUP=1 skips the package check (for repeated runs).
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-5}
min_time=${2:-0.2}
sizes=${3:-1920x1080|4096x3000}

[ "${BENCH_NO_SETUP:-}" = 1 ] || bash scripts/setup.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" --target bench_convert
csv=build/bench-kernels.csv
build/linux-release/bin/bench_convert --benchmark_filter="/($sizes)\$" \
  --benchmark_min_time="$min_time" --benchmark_repetitions="$reps" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  --benchmark_format=csv >"$csv"

echo "# $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores;" \
  "load average $(cut -d' ' -f1-3 /proc/loadavg); $reps x ${min_time} s, medians of CPU time, ms per frame"
awk -F, '
  function cell(v) { return v == "" ? "" : sprintf("%.3f", v) }
  function Pixels(size,   wh) { split(size, wh, "x"); return wh[1] * wh[2] }
  $1 ~ /_median"$/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
    n = split(name, part, "/")        # who / kernel / level or function / size
    who = part[1]; kernel = part[2]; how = part[3]; size = part[4]
    ms = $4 + 0; x = $NF + 0
    if (!(size in seen)) { seen[size] = 1; order[++sizes] = size }
    if (who == "ours") {
      t[size, kernel, how] = ms
      if (x > 0 && how != "reference") copy[size, kernel] = ms / x
    } else if (!((size, kernel) in peer) || ms < peer[size, kernel]) {
      peer[size, kernel] = ms; peerName[size, kernel] = who " " how
    }
  }
  END {
    nk = split("lut8 mono16_lut mono16_lut_12bit mono16_shift rgb24 rgba32 bgra32 rgb48 yuv411 yuv422 yuv444 bayer8_demosaic bayer16_demosaic mono8_copy bgr24_copy", kernels, " ")
    nl = split("reference scalar sse2 ssse3 avx2 avx512bw avx512vbmi frame", levels, " ")
    for (a = 2; a <= sizes; ++a)  # smallest image first
      for (b = a; b > 1 && Pixels(order[b]) < Pixels(order[b - 1]); --b) {
        swap = order[b]; order[b] = order[b - 1]; order[b - 1] = swap
      }
    for (s = 1; s <= sizes; ++s) {
      size = order[s]
      printf "\n### %s\n\n| kernel | reference | scalar | sse2 | ssse3 | avx2 | avx512bw | avx512vbmi | whole frame | memcpy of its bytes | fastest peer |\n", size
      print "|---|---|---|---|---|---|---|---|---|---|---|"
      for (k = 1; k <= nk; ++k) {
        kernel = kernels[k]
        if (!((size, kernel) in peer) && !((size, kernel, "reference") in t) && !((size, kernel, "frame") in t)) continue
        best = ""
        for (l = 2; l < nl; ++l) if ((size, kernel, levels[l]) in t)
          if (best == "" || t[size, kernel, levels[l]] < best) best = t[size, kernel, levels[l]]
        line = "| " kernel
        for (l = 1; l <= nl; ++l) {
          v = ((size, kernel, levels[l]) in t) ? t[size, kernel, levels[l]] : ""
          c = cell(v)
          if (v != "" && v == best && l < nl) c = "**" c "**"
          line = line " | " c
        }
        line = line " | " cell(copy[size, kernel])
        line = line " | " (((size, kernel) in peer) ? cell(peer[size, kernel]) " (" peerName[size, kernel] ")" : "") " |"
        print line
      }
    }
  }' "$csv"
