#!/usr/bin/env bash
# Builds the packages: the Debian package of the Linux release build and the zip of the
# 32-bit Windows build (DLLs, programs and the header), into build/packages/, and prints
# where they are. The layout and the reasons for it: docs/packaging.md.
#
#   scripts/package.sh            both
#   scripts/package.sh deb|zip    only that one
set -euo pipefail
cd "$(dirname "$0")/.."

kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(deb zip)

bash scripts/setup.sh

out=$PWD/build/packages
mkdir -p "$out"
jobs=$(nproc)
made=()
for kind in "${kinds[@]}"; do
  case $kind in
    deb) preset=linux-release generator=DEB ;;
    zip) preset=win32 generator=ZIP ;;
    *)
      echo "package.sh: unknown package kind '$kind' (deb or zip)" >&2
      exit 2
      ;;
  esac
  echo "=== $kind: build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $kind: cpack -G $generator"
  log=build/$preset/cpack.log
  if ! (cd "build/$preset" && cpack -G "$generator" -B "$out") >"$log" 2>&1; then
    cat "$log"
    exit 1
  fi
  # CPack names what it wrote in lines "CPack: - package: FILE generated."
  made+=($(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$log"))
done

echo
for file in "${made[@]}"; do
  echo "package: $file"
  case $file in
    *.deb) dpkg-deb -c "$file" | awk '{print "  " $6}' ;;
    *.zip) cmake -E tar tf "$file" | sed 's/^/  /' ;;
  esac
done
