#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks: the conversion kernels beside their peers,
# loading a lookup-table file (alone and through openCVLPort),
# then the end-to-end stream through the driver. Arguments go to bench_convert (for example
# --benchmark_filter=1920x1080).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" --target bench_convert bench_lut open_bench stream_bench
build/linux-release/bin/bench_convert --benchmark_min_time=0.2 "$@"
build/linux-release/bin/bench_lut --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true
build/linux-release/bin/open_bench --opens 40
build/linux-release/bin/stream_bench --seconds 5
