#!/usr/bin/env bash
# Installs everything the build and the tests need, on a fresh Debian 12 machine.
# Safe to run again: it updates the package lists once and installs only what is missing.
set -euo pipefail

need=(
  build-essential cmake ninja-build pkg-config clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libyuv-dev libopencv-imgproc-dev libdc1394-dev
  libsimpleini-dev libpng-dev libgtk-3-dev libcli11-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386 xvfb xauth
  libwxgtk3.2-dev xdotool x11-apps x11-utils imagemagick
  libaravis-dev aravis-tools libstb-dev libusb-1.0-0-dev iproute2 util-linux
  dpkg-dev file
  clang-14 libclang-rt-14-dev llvm-14
)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  updated_arch=1
fi

missing=()
for pkg in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done

if [ ${#missing[@]} -gt 0 ] || [ -n "${updated_arch:-}" ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
