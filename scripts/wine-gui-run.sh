#!/usr/bin/env bash
# Runs a Windows program that opens windows under Wine: like wine-run.sh, but in a prefix of
# its own beside the build's, on the display in DISPLAY (scripts/with-xvfb.sh gives one).
#   scripts/wine-gui-run.sh PROGRAM.exe [ARGS...]
# Own prefix: Wine's desktop process serves every program of a prefix, and one started by a
# console test without a display leaves the others no windows to show.
# Windows unmanaged: a bare virtual display has no window manager, and Wine waits two seconds
# for one each time a managed window is hidden; unmanaged, Wine frames the windows itself.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bindir=$(cd "$(dirname "$1")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bindir")/wineprefix-gui}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=${WINEARCH:-win32}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || {
    wineboot -i >/dev/null 2>&1
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
  }' || true
fi
exec "$here/wine-run.sh" "$@"
