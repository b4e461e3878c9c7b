#!/usr/bin/env bash
# Builds the fuzz preset (clang 14, libFuzzer, ASan+UBSan) and runs the fuzz targets of
# tests/fuzz, each for a given time, on a copy of its seed corpus (tests/fuzz/corpus/<target>):
# the corpus in the repository never grows here. Prints the executions of each target and any
# finding; exits non-zero when a target found something (or the build failed).
#
#   scripts/fuzz.sh                    every target, 25 s each
#   scripts/fuzz.sh -t 3600 fuzz_csv   one target for an hour
#   scripts/fuzz.sh -j 2 ...           libFuzzer jobs in parallel (-jobs/-workers)
#   scripts/fuzz.sh -k ...             keep the working corpus in build/fuzz/corpus/<target>
#                                      between runs (seeded from the repository's once)
#   scripts/fuzz.sh -l                 list the targets
#
# A finding is written to build/fuzz/findings/; reproduce it with
#   build/fuzz/bin/<target> build/fuzz/findings/<target>-crash-...
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=25
jobs=1
keep=0
targets=(fuzz_csv fuzz_profile fuzz_property fuzz_numbers)
usage() { sed -n '2,16s/^# \{0,1\}//p' "$0"; }
while getopts "t:j:klh" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    j) jobs=$OPTARG ;;
    k) keep=1 ;;
    l) printf '%s\n' "${targets[@]}"; exit 0 ;;
    *) usage; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -eq 0 ] || targets=("$@")

echo "=== fuzz: configure and build"
if ! cmake --preset fuzz >/dev/null || ! cmake --build --preset fuzz -j "$(nproc)"; then
  echo "fuzz: build FAILED"
  exit 1
fi

bin=$PWD/build/fuzz/bin
findings=build/fuzz/findings
mkdir -p "$findings"
# The corpus copies, the logs and the files the targets write (TMPDIR), in memory where the
# system has a tmpfs: the layers under test sync what they write.
scratch=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

# Stack traces with names: the symbolizer of the compiler that built the targets.
[ -x /usr/lib/llvm-14/bin/llvm-symbolizer ] &&
  export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-/usr/lib/llvm-14/bin/llvm-symbolizer}
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for t in "${targets[@]}"; do
  if [ ! -x "$bin/$t" ]; then
    echo "fuzz: $t FAILED (no such target)"
    failed=$((failed + 1))
    continue
  fi
  if [ "$keep" -eq 1 ]; then
    corpus=$PWD/build/fuzz/corpus/$t
    [ -d "$corpus" ] || { mkdir -p "$corpus" && cp tests/fuzz/corpus/"$t"/* "$corpus"/; }
  else
    corpus=$scratch/corpus-$t
    mkdir -p "$corpus" && cp tests/fuzz/corpus/"$t"/* "$corpus"/
  fi
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$PWD/$findings/$t-")
  [ -f "tests/fuzz/$t.dict" ] && options+=(-dict="$PWD/tests/fuzz/$t.dict")
  logs=$scratch/logs-$t
  mkdir -p "$logs"
  echo "=== fuzz: $t for ${seconds} s (corpus $corpus)"
  if [ "$jobs" -gt 1 ]; then
    # Each job writes fuzz-<n>.log in the folder it starts in.
    (cd "$logs" && "$bin/$t" "${options[@]}" -jobs="$jobs" -workers="$jobs" "$corpus" \
      >/dev/null 2>&1)
    rc=$?
  else
    "$bin/$t" "${options[@]}" "$corpus" >"$logs/fuzz-0.log" 2>&1
    rc=$?
  fi
  runs=$(cat "$logs"/fuzz-*.log | sed -n 's/^stat::number_of_executed_units: *//p' |
    awk '{ n += $1 } END { print n + 0 }')
  size=$(find "$corpus" -type f | wc -l)
  if [ "$rc" -eq 0 ]; then
    echo "fuzz: $t passed ($runs executions, corpus $size files)"
  else
    failed=$((failed + 1))
    # The report: what broke, the first frames, the sanitizer's summary, then the input (as
    # bytes and as text, the first 300 characters).
    cat "$logs"/fuzz-*.log |
      grep -E '^(==[0-9]+== ?ERROR|SUMMARY|ALARM)|runtime error|broken:|^fuzz_[a-z]+:|^ +#[0-9] ' |
      head -n 30
    cat "$logs"/fuzz-*.log | grep -A 2 '^MS: ' | tail -n 2 | cut -c 1-300
    cat "$logs"/fuzz-*.log | grep 'Test unit written' | head -n 1
    echo "fuzz: $t FAILED (finding after $runs executions; see $findings/)"
  fi
done
[ "$failed" -eq 0 ]
