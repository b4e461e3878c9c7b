#!/usr/bin/env bash
# Regenerates the pictures in docs/images: an image the main job wrote, every tab of the
# configuration sheet and the LUT generator on both toolkits (wxWidgets under Xvfb, the Win32
# build under Wine), the generator's curve, and the live viewer on both toolkits. Needs
# the linux-debug, linux-release and win32 builds (it builds what it needs).
#   scripts/doc-images.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=docs/images
mkdir -p "$out/wx" "$out/win32"
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-}

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" --target camhost PvAPI tarnixdrv tarnixui_wx lutgen
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)" --target camhost PvAPI tarnixdrv
export WINEPREFIX=$root/build/win32/wineprefix WINEARCH=win32 WINEDEBUG=-all

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The main job's picture: one image of the colour camera, as camhost writes it.
build/linux-release/bin/camhost -q --system-path "$work" grab "SimRgb24 [SIM-1005]" -n 1 \
  --pattern gradient -o "$work/images" >/dev/null
cp "$(ls "$work"/images/*.png | head -n 1)" "$out/main-job.png"

# The generator's default curve, as lutgen draws it.
build/linux-release/bin/lutgen -o "$work/curve.csv" --plot "$out/lut-curve.png" >/dev/null

# The sheet on both toolkits: its tabs and the generator on a simulated camera as camhost
# configure shows them.
scripts/sheet-shots-live.sh "$out/wx" build/linux-release/bin/camhost >/dev/null
scripts/sheet-shots-live.sh "$out/win32" build/win32/bin/camhost.exe >/dev/null

# The live viewer on both toolkits.
scripts/viewer-shot.sh "$out/wx/viewer.png" build/linux-release/bin/camhost >/dev/null
scripts/viewer-shot.sh "$out/win32/viewer.png" build/win32/bin/camhost.exe >/dev/null
ls -l "$out" "$out/wx" "$out/win32"
