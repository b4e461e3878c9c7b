#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix, quietly. Used by ctest as the
# cross-compiling emulator; the prefix lives beside the program's build folder.
set -euo pipefail
exe=$1
shift
bindir=$(cd "$(dirname "$exe")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bindir")/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=${WINEARCH:-win32}
# The first start creates the prefix; parallel tests must not race to create it.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1' || true
fi
# Into a pipe (ctest reads every test's output through one), the program writes to files
# that are copied over when it ends. Wine's server and desktop process, when this program is
# the one that starts them, inherit its output and keep it open for as long as they live,
# which is while any other program of the prefix runs: the reader of a pipe would wait for
# them. A file or a terminal gets the output as it comes.
if [ ! -p /dev/stdout ] && [ ! -p /dev/stderr ]; then
  exec wine "$exe" "$@"
fi
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
rc=0
wine "$exe" "$@" >"$out" 2>"$err" || rc=$?
cat "$out"
cat "$err" >&2
exit "$rc"
