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
exec wine "$exe" "$@"
