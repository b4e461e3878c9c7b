#!/usr/bin/env bash
# Runs a command in a network namespace of its own whose loopback interface carries
# 127.0.0.1 to 127.0.0.16, so that each fake GigE Vision camera of a test gets an address of
# its own, discovery broadcasts stay inside the test, and no real network is touched.
#   scripts/in-loopback-net.sh <program> [args...]
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 <program> [args...]" >&2
  exit 2
fi

if [ "${TARNIX_IN_LOOPBACK_NET:-}" != 1 ]; then
  # Root creates the namespace directly; anyone else through a user namespace of their own.
  if [ "$(id -u)" -eq 0 ]; then
    unshare_args=(--net)
  else
    unshare_args=(--map-root-user --net)
  fi
  if ! unshare "${unshare_args[@]}" true 2>/dev/null; then
    echo "in-loopback-net: cannot create a network namespace here (unshare ${unshare_args[*]});" \
         "the GigE Vision tests need one for their fake cameras' loopback addresses" >&2
    exit 1
  fi
  TARNIX_IN_LOOPBACK_NET=1 exec unshare "${unshare_args[@]}" "$0" "$@"
fi

ip link set lo up
for n in $(seq 2 16); do
  ip addr add "127.0.0.$n/8" dev lo
done
exec "$@"
