#!/usr/bin/env bash
# Runs a private-profile script with our functions and with the real Win32 ones (the win32
# build's runner under Wine), then compares the printed results and the files, line ends
# aside. Exits 77 (skipped) when the Windows runner has not been built.
#
#   compare-with-win32.sh <linux runner> <windows runner .exe> <wine-run.sh> <script> <work dir>
set -euo pipefail
linux_runner=$1
windows_runner=$2
wine_run=$3
script=$4
work=$5

if [ ! -f "$windows_runner" ]; then
  echo "skipped: $windows_runner is missing (build the win32 preset first)"
  exit 77
fi
if ! command -v wine >/dev/null; then
  echo "skipped: wine is not installed"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")

# Wine maps drive Z: to the root of the Unix file system.
to_windows() { printf 'Z:%s' "${1//\//\\}"; }

"$linux_runner" "$work/linux.ini" "$script" >"$work/linux.out"
"$wine_run" "$windows_runner" "$(to_windows "$work/windows.ini")" "$(to_windows "$script")" \
  >"$work/windows.out"

status=0
if ! diff -u <(tr -d '\r' <"$work/windows.out") <(tr -d '\r' <"$work/linux.out"); then
  echo "FAIL: read results differ (- Win32, + ours)"
  status=1
fi
if ! diff -u <(tr -d '\r' <"$work/windows.ini") <(tr -d '\r' <"$work/linux.ini"); then
  echo "FAIL: files differ (- Win32, + ours)"
  status=1
fi
[ "$status" -ne 0 ] || echo "same results ($(wc -l <"$work/linux.out") lines) and same file ($(wc -l <"$work/linux.ini") lines)"
exit "$status"
