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
exec wine "$exe" "$@"
