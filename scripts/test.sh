#!/usr/bin/env bash
# The test command: installs what is missing, builds every variant and runs every suite:
# 32-bit Windows under Wine, Linux, Linux with ASan+UBSan, Linux with TSan; the release
# build (with the benchmarks) is built so it keeps compiling, but benchmarks are not run; the
# clang build with the lock analysis (thread-safety) is built too, and the fuzz targets run.
#
#   scripts/test.sh            everything
#   scripts/test.sh win32 ...  only the named presets (win32 linux-debug linux-asan linux-tsan
#                              linux-release)
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || { echo "setup failed"; exit 1; }

presets=("$@")
# Windows first: the Linux suites compare the profile functions with the Win32 ones it builds.
[ ${#presets[@]} -gt 0 ] || presets=(win32 linux-debug linux-asan linux-tsan linux-release)

jobs=$(nproc)
passed=0
failed=0
failures=()
for preset in "${presets[@]}"; do
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    failures+=("$preset: build")
    failed=$((failed + 1))
    continue
  fi
  [ "$preset" = linux-release ] && continue
  echo "=== $preset: tests"
  if [ "$preset" = win32 ]; then
    wine_env=(env WINEPREFIX="$PWD/build/win32/wineprefix" WINEARCH=win32 WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml=)
    # Create the private Wine prefix once, before parallel tests would race to create it.
    "${wine_env[@]}" wineboot -i >/dev/null 2>&1 || true
    # One Wine server for the whole run, started here with nothing of ours open. A server that
    # a test's program starts inherits that test's output and keeps it open while other tests
    # keep the server busy, so ctest would wait for that test until its time-out.
    "${wine_env[@]}" wineserver -w >/dev/null 2>&1 || true
    "${wine_env[@]}" wineserver -p </dev/null >/dev/null 2>&1 || true
  fi
  log=build/$preset/ctest.log
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  [ "$preset" != win32 ] || "${wine_env[@]}" wineserver -k >/dev/null 2>&1 || true
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  bad=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
  total=${total:-0}
  bad=${bad:-0}
  [ "$rc" -eq 0 ] || [ "$bad" -gt 0 ] || bad=1
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  [ "$bad" -eq 0 ] || failures+=("$preset: $bad failed")
done

# Which instruction-set levels the SIMD kernels' exactness tests ran at here (the pixel
# conversion and the SDK's demosaic): a level this processor lacks is skipped by those tests,
# so say so rather than let a green run hide it.
level_report() {  # name, test program (or a runner and the program after the filter), filter
  [ -x "$2" ] || return 0
  local out ran lacks
  if [ $# -gt 3 ]; then
    out=$("$2" "$4" --gtest_filter="$3" 2>&1 | tr -d '\r')
  else
    out=$("$2" --gtest_filter="$3" 2>&1)
  fi
  ran=$(sed -n 's/^\[       OK \] .*\/\([a-z0-9]*\) (.*/\1/p' <<<"$out" | tr '\n' ' ')
  lacks=$(sed -n 's/.*this processor lacks \([a-z0-9]*\).*/\1/p' <<<"$out" | tr '\n' ' ')
  echo "$1 levels tested on this processor: ${ran:-none}"
  [ -z "$lacks" ] || echo "NOTE: this processor lacks ${lacks% }; the $1 at those levels was not tested here"
}
echo "=== instruction-set levels"
level_report "pixel conversion" build/linux-debug/bin/convert_kernels_test \
  'Levels/KernelsTest.ByteTableMatchesReferenceForEveryValue/*'
level_report "demosaic" build/linux-debug/bin/sdk_tests \
  'Each/DemosaicLevels.InterleavedMatchesReferenceAtEverySize/*'
if [ -f build/win32/bin/convert_kernels_test.exe ] && command -v wine >/dev/null; then
  # A Wine server of its own, started with none of our pipes open (see the win32 tests above).
  export WINEPREFIX="$PWD/build/win32/wineprefix" WINEARCH=win32 WINEDEBUG=-all
  wineserver -p </dev/null >/dev/null 2>&1 || true
  level_report "32-bit Windows pixel conversion (Wine)" "scripts/wine-run.sh" \
    'Levels/KernelsTest.ByteTableMatchesReferenceForEveryValue/*' build/win32/bin/convert_kernels_test.exe
  wineserver -k >/dev/null 2>&1 || true
  unset WINEPREFIX WINEARCH WINEDEBUG
fi

# The planted-fault list must keep matching the code it plants faults in (no build: a full
# planting run is scripts/plant-faults.sh, by hand).
echo "=== fault list"
if bash scripts/plant-faults.sh -c; then
  passed=$((passed + 1))
else
  failures+=("fault list: out of step with the code")
  failed=$((failed + 1))
fi

# Clang's lock analysis: every library, both SDKs and every tool built with -Wthread-safety
# -Wthread-safety-beta -Werror, so a guarded member touched without its lock, or an object's
# locks taken out of their order, fails here. Built only; one count.
echo "=== thread-safety"
if cmake --preset thread-safety >/dev/null && cmake --build --preset thread-safety -j "$jobs"; then
  passed=$((passed + 1))
else
  failures+=("thread-safety: build")
  failed=$((failed + 1))
fi

# The fuzz targets, 20 s each on a copy of their seed corpus: one count per target.
echo "=== fuzz"
fuzzlog=build/fuzz-step.log
mkdir -p build
bash scripts/fuzz.sh -t 20 2>&1 | tee "$fuzzlog"
fuzzrc=${PIPESTATUS[0]}
fuzzok=$(grep -c '^fuzz: .* passed' "$fuzzlog")
fuzzbad=$(grep -c '^fuzz: .* FAILED' "$fuzzlog")
while read -r line; do failures+=("$line"); done < <(grep '^fuzz: .* FAILED' "$fuzzlog")
if [ "$fuzzrc" -ne 0 ] && [ "$fuzzbad" -eq 0 ]; then
  fuzzbad=1
  failures+=("fuzz: failed")
fi
passed=$((passed + fuzzok))
failed=$((failed + fuzzbad))

for f in "${failures[@]}"; do echo "FAILED $f"; done
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
