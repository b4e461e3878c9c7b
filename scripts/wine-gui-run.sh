#!/usr/bin/env bash
# Runs a Windows program that opens windows under Wine: like wine-run.sh, but in a prefix of
# its own beside the build's, on the display in DISPLAY (scripts/with-xvfb.sh gives one).
#   scripts/wine-gui-run.sh PROGRAM.exe [ARGS...]
# Own prefix: Wine's desktop process serves every program of a prefix, and one started by a
# console test without a display leaves the others no windows to show.
# Windows unmanaged: a bare virtual display has no window manager, and Wine waits two seconds
# for one each time a managed window is hidden; unmanaged, Wine frames the windows itself.
# No crash dialog: with a display, Wine would wait for someone to close it instead of printing
# the backtrace and ending the program.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bindir=$(cd "$(dirname "$1")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bindir")/wineprefix-gui}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=${WINEARCH:-win32}
# The marker is written last, so a prefix left half made by an interrupted run is finished.
if [ ! -f "$WINEPREFIX/.gui-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/.gui-ready" ] || {
    wineboot -i >/dev/null 2>&1
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    wine reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.gui-ready"
  }' || true
fi
exec "$here/wine-run.sh" "$@"
