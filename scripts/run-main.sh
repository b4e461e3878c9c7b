#!/usr/bin/env bash
# The main job: builds the Linux release and runs the host tool against the built-in
# simulated cameras. Extra arguments go to camhost in place of the default command.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" --target camhost PvAPI
if [ $# -eq 0 ]; then set -- sdk-list; fi
exec build/linux-release/bin/camhost "$@"
