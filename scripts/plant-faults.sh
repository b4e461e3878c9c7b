#!/usr/bin/env bash
# Plants known faults, one at a time, and checks that the tests catch each of them.
#
#   scripts/plant-faults.sh [-p PATTERN] [-k] [-c] [-f LIST] [-t SECONDS] [-j JOBS]
#
#   -p PATTERN  only the faults whose name, file or description matches this extended regex
#   -k          keep the scratch folder (copy, build and one log per fault) and print its path
#   -c          check only: every fault's original text is found exactly once; no build
#   -f LIST     the fault list (default: scripts/faults.txt)
#   -t SECONDS  time limit for each test program (ctest --timeout; default 60)
#   -j JOBS     build and test jobs (default 2)
#
# The source tree it is run from is only read. The script copies it once (without build/ and
# .git) to a scratch folder, configures and builds the linux-debug preset there once (and the
# other presets the chosen faults name, see below), and runs the suites the list names on the
# unchanged copy: they must pass. Then, for each fault:
# change the one line in the copy (a fault whose original text is not found exactly once
# stops everything before the first build), build incrementally, run the fault's suites with
# ctest, note CAUGHT (the build or a suite failed) or SURVIVED, and put the file back. At the
# end it prints a table and a summary line.
#
# A fault caught only by the build proves nothing about the tests: write its replacement so
# that it compiles (keep every name it touches in use).
#
# The list format is described at the top of scripts/faults.txt: one fault a line,
#   name @@ file @@ original text @@ replacement @@ ctest regex @@ description
# A ctest regex written "PRESET: regex" runs in that configure preset's build instead of
# linux-debug's: win32 for code only the Windows build compiles (its suites run under Wine).
#
# Exit status: 0 when every fault was caught, 1 when one survived, 2 for a bad list, a failed
# build or suites that fail without any fault.
#
# Time: on the shared 2-core machine a full run (35 faults) took 6 to 8 minutes: 1.5 to 3 for
# the first build and the clean run, then a few seconds for most faults; a fault that leaves a
# test waiting for a frame costs up to two minutes (the tests' waits and the time limit).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
list=$root/scripts/faults.txt
pattern=
keep=0
check_only=0
timeout=60
jobs=2
# The reconnect storm runs a minute by default, as long as the time limit: a short storm is
# enough to tell a planted fault.
export TARNIX_STORM_SECONDS=${TARNIX_STORM_SECONDS:-5}

usage() {
  sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
}

while getopts 'p:kcf:t:j:h' option; do
  case $option in
    p) pattern=$OPTARG ;;
    k) keep=1 ;;
    c) check_only=1 ;;
    f) list=$OPTARG ;;
    t) timeout=$OPTARG ;;
    j) jobs=$OPTARG ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
[ $# -eq 0 ] || usage
[ -f "$list" ] || { echo "no fault list $list" >&2; exit 2; }

fail() {
  echo "plant-faults: $*" >&2
  exit 2
}

trim() {
  local text=$1
  text=${text#"${text%%[![:space:]]*}"}
  text=${text%"${text##*[![:space:]]}"}
  printf '%s' "$text"
}

# --- Read the list -------------------------------------------------------------------------
names=() files=() originals=() replacements=() suites=() presets=() descriptions=()
all_names=()
number=0
while IFS= read -r line || [ -n "$line" ]; do
  number=$((number + 1))
  [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
  rest=$line
  fields=()
  while [[ $rest == *@@* ]]; do
    fields+=("$(trim "${rest%%@@*}")")
    rest=${rest#*@@}
  done
  fields+=("$(trim "$rest")")
  [ ${#fields[@]} -eq 6 ] || fail "$list:$number: ${#fields[@]} fields, expected 6"
  for i in 0 1 2 4; do
    [ -n "${fields[$i]}" ] || fail "$list:$number: field $((i + 1)) is empty"
  done
  for known in "${all_names[@]}"; do
    [ "$known" != "${fields[0]}" ] || fail "$list:$number: a second fault named ${fields[0]}"
  done
  all_names+=("${fields[0]}")
  if [ -n "$pattern" ] &&
    ! grep -Eq -- "$pattern" <<<"${fields[0]} ${fields[1]} ${fields[5]}"; then
    continue
  fi
  names+=("${fields[0]}")
  files+=("${fields[1]}")
  originals+=("${fields[2]}")
  replacements+=("${fields[3]}")
  if [[ ${fields[4]} =~ ^([A-Za-z0-9-]+):[[:space:]]*(.+)$ ]]; then
    presets+=("${BASH_REMATCH[1]}")
    suites+=("${BASH_REMATCH[2]}")
  else
    presets+=(linux-debug)
    suites+=("${fields[4]}")
  fi
  descriptions+=("${fields[5]}")
done <"$list"
count=${#names[@]}
[ "$count" -gt 0 ] || fail "no fault in $list matches '${pattern}'"

# --- The scratch copy ----------------------------------------------------------------------
scratch=$(mktemp -d "${TMPDIR:-/tmp}/plant-faults.XXXXXX") || fail "no scratch folder"
current=   # the file a fault is planted in right now
cleanup() {
  [ -z "$current" ] || cp "$scratch/pristine" "$scratch/tree/$current" 2>/dev/null
  if [ "$keep" -eq 1 ]; then
    echo "scratch folder kept: $scratch"
  else
    rm -rf "$scratch"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

tree=$scratch/tree
mkdir -p "$tree" "$scratch/logs"
tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$tree" -xf - ||
  fail "copying $root failed"

# Replaces the one occurrence of FAULT_FROM in a file by FAULT_TO (both taken literally;
# awk's -v would interpret backslashes) and writes the result to stdout. Exits 3 unless the
# text occurs exactly once.
plant() {
  FAULT_FROM=$2 FAULT_TO=$3 awk '
    BEGIN { from = ENVIRON["FAULT_FROM"]; to = ENVIRON["FAULT_TO"]; found = 0 }
    {
      rest = $0; out = ""
      while ((at = index(rest, from)) > 0) {
        found++
        out = out substr(rest, 1, at - 1) to
        rest = substr(rest, at + length(from))
      }
      print out rest
    }
    END { if (found != 1) { print found > "/dev/stderr"; exit 3 } }' "$1"
}

problems=0
for ((i = 0; i < count; i++)); do
  file=$tree/${files[$i]}
  if [ ! -f "$file" ]; then
    echo "${names[$i]}: no file ${files[$i]}" >&2
    problems=$((problems + 1))
  elif ! found=$(plant "$file" "${originals[$i]}" "${replacements[$i]}" 2>&1 >/dev/null); then
    echo "${names[$i]}: the original text occurs ${found:-?} times in ${files[$i]}," \
      "not once: ${originals[$i]}" >&2
    problems=$((problems + 1))
  fi
done
[ "$problems" -eq 0 ] || fail "$problems fault(s) do not apply; fix $list"
if [ "$check_only" -eq 1 ]; then
  echo "all $count fault(s) apply"
  exit 0
fi

# --- One build a preset, and the suites passing without any fault --------------------------
started=$SECONDS
used_presets=()
for preset in "${presets[@]}"; do
  [[ " ${used_presets[*]} " == *" $preset "* ]] || used_presets+=("$preset")
done
for preset in "${used_presets[@]}"; do
  build=$tree/build/$preset
  echo "configuring and building $preset in $tree"
  (cd "$tree" && cmake --preset "$preset") >"$scratch/logs/configure-$preset.log" 2>&1 ||
    fail "configure failed, see $scratch/logs/configure-$preset.log (use -k to keep it)"

  all_suites=
  for ((i = 0; i < count; i++)); do
    [ "${presets[$i]}" = "$preset" ] || continue
    tests=$(ctest --test-dir "$build" -N -R "${suites[$i]}" | sed -n 's/^Total Tests: //p')
    [ "${tests:-0}" -gt 0 ] || fail "${names[$i]}: no $preset test matches '${suites[$i]}'"
    all_suites+=${all_suites:+|}${suites[$i]}
  done

  cmake --build "$build" -j "$jobs" >"$scratch/logs/build-$preset.log" 2>&1 ||
    fail "the unchanged tree does not build, see $scratch/logs/build-$preset.log (use -k)"
  ctest --test-dir "$build" -R "$all_suites" -j "$jobs" --timeout "$timeout" \
    >"$scratch/logs/clean-$preset.log" 2>&1 ||
    fail "the suites fail without any fault, see $scratch/logs/clean-$preset.log (use -k)"
done
echo "built and passed without faults in $((SECONDS - started)) s"

# --- The faults ----------------------------------------------------------------------------
results=() caught_by=() durations=()
survived=0
by_build=0
for ((i = 0; i < count; i++)); do
  name=${names[$i]}
  log=$scratch/logs/$name.log
  fault_started=$SECONDS
  printf '[%d/%d] %-34s ' "$((i + 1))" "$count" "$name"

  build=$tree/build/${presets[$i]}
  cp "$tree/${files[$i]}" "$scratch/pristine"
  current=${files[$i]}
  plant "$scratch/pristine" "${originals[$i]}" "${replacements[$i]}" >"$tree/$current" 2>/dev/null ||
    fail "$name: could not plant"

  if ! cmake --build "$build" -j "$jobs" >"$log" 2>&1; then
    result=CAUGHT
    by=build
    by_build=$((by_build + 1))
  elif ! ctest --test-dir "$build" -R "${suites[$i]}" -j "$jobs" --timeout "$timeout" \
    --output-on-failure >>"$log" 2>&1; then
    result=CAUGHT
    # The failing suites, as ctest lists them at the end: "  12 - name (Failed)".
    by=$(sed -n '/tests FAILED:/,$s/^[[:space:]]*[0-9]* - \([^ ]*\).*/\1/p' "$log" |
      paste -sd, -)
    by=${by:-tests}
  else
    result=SURVIVED
    by=-
    survived=$((survived + 1))
  fi

  # Written afresh (not with its old time stamp), so the next build compiles it again.
  cp "$scratch/pristine" "$tree/$current"
  current=
  results+=("$result")
  caught_by+=("$by")
  durations+=("$((SECONDS - fault_started))")
  echo "$result (${durations[$i]} s)"
done

# --- Report --------------------------------------------------------------------------------
width=11
for ((i = 0; i < count; i++)); do
  [ ${#descriptions[$i]} -le "$width" ] || width=${#descriptions[$i]}
done
echo
printf "%-3s %-34s %-9s %5s  %-${width}s  %s\n" '#' fault result s description 'caught by'
for ((i = 0; i < count; i++)); do
  printf "%-3s %-34s %-9s %5s  %-${width}s  %s\n" "$((i + 1))" "${names[$i]}" \
    "${results[$i]}" "${durations[$i]}" "${descriptions[$i]}" "${caught_by[$i]}"
done
elapsed=$((SECONDS - started))
echo
printf '%d fault(s): %d caught (%d only by the build), %d survived; %dm%02ds\n' \
  "$count" "$((count - survived))" "$by_build" "$survived" $((elapsed / 60)) $((elapsed % 60))
[ "$survived" -eq 0 ]
