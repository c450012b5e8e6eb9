#!/usr/bin/env bash
# Cross-builds the Windows program on Debian with MinGW-w64 into build-windows/:
# tainoteka.exe, txtp.exe and the test programs, then the portable zip and the
# installer in build-windows/dist/ (skip them with --no-packages). Further
# arguments go to cmake (scripts/test-windows.sh: warnings as errors, no
# benchmarks).
#   build-windows.sh [--no-packages] [CMAKE_ARGUMENT...]
#
# The Qt SDK for MinGW comes from, in this order: $TAINOTEKA_WINSDK_TARBALL,
# a ready qt6-mingw.tar.xz in ../shared/winsdk beside the clone, or
# scripts/build-winsdk.sh (builds it from Debian's sources, about 15 minutes).
# It is unpacked into $TAINOTEKA_WINSDK_DIR (default build-windows/sdk), and
# libsodium and zxcvbn-c, cross-built from Debian's sources, are added to it
# (scripts/build-libsodium-windows.sh, about 1.5 minutes once per machine;
# scripts/build-zxcvbn-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows
sdkdir=${TAINOTEKA_WINSDK_DIR:-$build/sdk}
sdk=$sdkdir/qt6-mingw
packages=1
if [ "${1:-}" = "--no-packages" ]; then
  packages=0
  shift
fi

install_packages() {
  local wanted=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev mingw-w64-tools cmake ninja-build qt6-base-dev qt6-base-dev-tools
    qt6-translations-l10n wine wine64 nsis zip unzip xz-utils)
  "$root/scripts/ensure-packages.sh" "${wanted[@]}"
}

find_sdk_tarball() {
  local candidate
  for candidate in "${TAINOTEKA_WINSDK_TARBALL:-}" \
                   "$root/../shared/winsdk/qt6-mingw.tar.xz" \
                   "$(dirname "$root")/../shared/winsdk/qt6-mingw.tar.xz"; do
    [ -n "$candidate" ] && [ -f "$candidate" ] && { echo "$candidate"; return 0; }
  done
  return 1
}

unpack_sdk() {
  [ -x "$sdk/bin/qt-cmake" ] && return 0
  local tarball
  if ! tarball=$(find_sdk_tarball); then
    echo "No ready Windows SDK found; building it from Debian's sources"
    local work=${XDG_CACHE_HOME:-$HOME/.cache}/tainoteka-winsdk
    WINSDK=$work "$root/scripts/build-winsdk.sh"
    tarball=$work/qt6-mingw.tar.xz
  fi
  echo "Unpacking $tarball into $sdkdir"
  rm -rf "$sdk.partial" && mkdir -p "$sdk.partial"
  tar -C "$sdk.partial" -xJf "$tarball"
  mv "$sdk.partial/qt6-mingw" "$sdk" && rmdir "$sdk.partial"
}

install_packages
unpack_sdk
# Into the SDK, where its toolchain looks for libraries; kept in a cache.
"$root/scripts/build-libsodium-windows.sh" "$sdk"
"$root/scripts/build-zxcvbn-windows.sh" "$sdk"
# The test discovery runs the test programs under Wine while building; no
# Mono or Gecko install prompt may wait for a click there.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
"$sdk/bin/qt-cmake" -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DTAINOTEKA_BUILD_BENCH=ON "${launcher[@]}" "$@" >/dev/null
cmake --build "$build"

if [ "$packages" = 1 ]; then
  "$root/scripts/package-windows.sh" "$build" "$sdk"
fi
