#!/usr/bin/env bash
# The main job: builds the Linux release and runs the host tool against the built-in
# simulated cameras: five PNG images from each, written into images/. Extra arguments go to
# camhost in place of the default command.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" --target camhost PvAPI tarnixdrv
if [ $# -eq 0 ]; then set -- grab --all -n 5 --pattern gradient -o images; fi
exec build/linux-release/bin/camhost "$@"
