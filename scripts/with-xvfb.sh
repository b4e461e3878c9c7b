#!/usr/bin/env bash
# Runs a command with a virtual X display of its own, for the tests that open real windows:
#   scripts/with-xvfb.sh COMMAND [ARGS...]
# The display number is the first free one Xvfb finds; the server ends with the command.
set -euo pipefail
fd_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" 2>/dev/null &
server=$!
trap 'kill $server 2>/dev/null || true; wait $server 2>/dev/null || true; rm -f "$fd_file"' EXIT
for _ in $(seq 1 100); do
  [ -s "$fd_file" ] && break
  kill -0 $server 2>/dev/null || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$fd_file" ] || { echo "with-xvfb: no display after 5 s" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$fd_file")"
"$@"
