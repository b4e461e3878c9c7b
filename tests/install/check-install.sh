#!/usr/bin/env bash
# The installed tree as a host developer gets it: installs a build into a temporary prefix,
# checks the layout, moves the tree elsewhere (it must not depend on where it was installed),
# then builds the smallest host against it twice, through find_package and through pkg-config,
# and runs both and the installed camhost on the simulated cameras.
#
#   check-install.sh BUILD_DIR LIBDIR [GENERATOR]
#
# LIBDIR is the build's CMAKE_INSTALL_LIBDIR. CC, CFLAGS and LDFLAGS are the build's compiler and
# flags (sanitizers included), so the host links against the driver as built.
set -euo pipefail

build=$(cd "$1" && pwd)
libdir=$2
generator=${3:-Ninja}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnix-install.XXXXXX")
cc=${CC:-cc}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
run() {  # run LOG COMMAND...: the command's output to LOG, shown when it fails
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    cat "$log"
    return 1
  fi
}

echo "== install into $work/stage"
run "$work/install.log" cmake --install "$build" --prefix "$work/stage"

echo "== layout"
drivers=$libdir/tarnixdrv
expected=(include/tarnixdrv.h bin/camhost bin/lutgen
  "$drivers/libtarnixdrv.so" "$drivers/libPvAPI.so"
  "$libdir/cmake/tarnixdrv/tarnixdrvConfig.cmake"
  "$libdir/cmake/tarnixdrv/tarnixdrvConfigVersion.cmake"
  "$libdir/pkgconfig/tarnixdrv.pc")
[ -e "$build/bin/libtarnixui_wx.so" ] && expected+=("$drivers/libtarnixui_wx.so")
if [ -d "$build/bin/gige" ]; then
  expected+=("$drivers/gige/libtarnixdrv.so" "$drivers/gige/libPvAPI.so")
  [ -e "$build/bin/libtarnixui_wx.so" ] && expected+=("$drivers/gige/libtarnixui_wx.so")
fi
for file in "${expected[@]}"; do
  [ -f "$work/stage/$file" ] || fail "$file not installed"
done
# The SDK's name is generic and the driver must be loaded from its own folder: neither belongs
# in a public library folder.
for file in $(cd "$work/stage" && find . -name 'lib*.so*' | sort); do
  case $file in
    "./$drivers/"*) ;;
    *) fail "$file outside $drivers" ;;
  esac
done
# Paths of this machine's build would tie the tree to it.
if grep -rlF -e "$build" -e "$(cd "$here/../.." && pwd)" "$work/stage/$libdir/cmake" \
  "$work/stage/$libdir/pkgconfig"; then
  fail "a package file names the build or source folder"
fi

echo "== move to $work/moved"
mv "$work/stage" "$work/moved"
prefix=$work/moved

# Each host prints the cameras and one grab; the first camera is the simulator's mono one.
check_host() {  # check_host NAME PROGRAM
  local log=$work/$1.out
  if ! "$2" >"$log" 2>&1; then
    cat "$log"
    fail "$1 host exited with an error"
  elif ! grep -qx 'grabbed 1360x1024, 8 bit, from SimMono8 \[SIM-1001\]' "$log"; then
    cat "$log"
    fail "$1 host did not grab from the first simulated camera"
  else
    echo "$1 host: $(grep -c '^camera ' "$log") camera(s), $(grep '^grabbed' "$log")"
  fi
}

echo "== host through find_package"
# Run as installed: the search path CMake sets for the build tree is gone by then.
if run "$work/cmake-host.log" cmake -S "$here/host" -B "$work/cmake-host" -G "$generator" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_INSTALL_PREFIX="$work/cmake-host-installed" &&
  run "$work/cmake-host-build.log" cmake --build "$work/cmake-host" &&
  run "$work/cmake-host-install.log" cmake --install "$work/cmake-host"; then
  check_host find_package "$work/cmake-host-installed/bin/host"
else
  fail "the host did not build through find_package"
fi

echo "== host through pkg-config"
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
# shellcheck disable=SC2046,SC2086  # the flags are word lists
if flags=$(pkg-config --cflags --libs tarnixdrv) &&
  run "$work/pc-host.log" "$cc" -std=c11 ${CFLAGS:-} -Wall -Wextra -Wpedantic -Werror \
    "$here/host/host.c" -o "$work/pc-host" $flags ${LDFLAGS:-}; then
  check_host pkg-config "$work/pc-host"
else
  fail "the host did not build through pkg-config"
fi
[ "$(pkg-config --modversion tarnixdrv)" = "$(sed -n 's/^Version: //p' "$PKG_CONFIG_PATH/tarnixdrv.pc")" ] ||
  fail "pkg-config does not read the version"

echo "== installed camhost"
if out=$("$prefix/bin/camhost" -q list 2>&1) && grep -qx '5 camera(s)' <<<"$out"; then
  echo "camhost: $(head -n 1 <<<"$out")"
else
  echo "$out"
  fail "the installed camhost did not list the simulated cameras"
fi
if [ ! -d "$prefix/$drivers/gige" ]; then
  out=$("$prefix/bin/camhost" --sdk gige list 2>&1) && fail "camhost --sdk gige ran without its driver"
  grep -qF "no driver for SDK 'gige' (looked in $prefix/bin/gige/, $prefix/$drivers/gige/)" <<<"$out" ||
    fail "camhost --sdk gige without its driver says: $out"
fi

if [ "$failures" -eq 0 ]; then
  rm -rf "$work"
  echo "install check passed"
else
  echo "install check: $failures failure(s); the tree is kept in $work"
  exit 1
fi
