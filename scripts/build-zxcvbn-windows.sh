#!/usr/bin/env bash
# Cross-builds zxcvbn-c, the password strength estimator, for the Windows
# program (MinGW-w64 x86_64, posix threads: the Qt SDK's compiler) from
# Debian's own source package, the same version as the host's libzxcvbn-dev,
# and installs it into PREFIX, where the SDK's toolchain finds it. Static,
# with the dictionary compiled in: nothing to ship beside the .exe and no
# file to find at run time.
#   build-zxcvbn-windows.sh PREFIX
# The finished install is kept in $TAINOTEKA_WINSDK_CACHE (default
# ~/.cache/tainoteka-winsdk), so a new build folder only copies it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:?usage: build-zxcvbn-windows.sh PREFIX}
triple=x86_64-w64-mingw32
cache=${TAINOTEKA_WINSDK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tainoteka-winsdk}

# debhelper and dh-exec: the source package's own build, which makes the dictionary.
"$root/scripts/ensure-packages.sh" libzxcvbn-dev gcc-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev dpkg-dev debhelper dh-exec make g++
version=$(dpkg-query -W -f='${source:Version}' libzxcvbn-dev)
stamp=$prefix/lib/libzxcvbn-mingw.version
[ "$(cat "$stamp" 2>/dev/null)" = "$version" ] && exit 0

built=$cache/zxcvbn-c-$version
if [ ! -e "$built/lib/libzxcvbn.a" ]; then
  t0=$SECONDS
  "$root/scripts/ensure-deb-src.sh"
  work=$cache/build-zxcvbn
  rm -rf "$work" "$built" && mkdir -p "$work"
  # Where the mirror has no source, the program is built without the
  # estimate (the password dialog then shows no strength line), not stopped.
  if ! (cd "$work" && apt-get source -q "zxcvbn-c=$version" >source.log 2>&1); then
    tail -3 "$work/source.log"
    echo "zxcvbn-c $version: no source package to build from; the Windows program shows no password strength"
    rm -rf "$work"
    exit 0
  fi
  src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'zxcvbn-c-*')
  # The dictionary is made as Debian makes it, by the package's own build on
  # this machine (its generator is a host program): dict-src.h from Debian's
  # word lists, the same data as the host's libzxcvbn.
  (cd "$src" && DEB_BUILD_OPTIONS=nocheck debian/rules build) >"$work/build.log" 2>&1 ||
    { tail -30 "$work/build.log"; exit 1; }
  [ -e "$src/dict-src.h" ] || { echo "zxcvbn-c $version: its build made no dict-src.h"; exit 1; }
  # Then the library alone with the SDK's compiler, -O2 as Debian builds it.
  # zxcvbn.c includes stdafx.h on Windows, a Visual Studio precompiled
  # header it does not need: an empty one stands in.
  win=$work/win
  mkdir -p "$win" "$built/include" "$built/lib"
  : >"$win/stdafx.h"
  ($triple-gcc-posix -O2 -I"$win" -I"$src" -c "$src/zxcvbn.c" -o "$win/zxcvbn.o" &&
   $triple-ar rcs "$built/lib/libzxcvbn.a" "$win/zxcvbn.o") >>"$work/build.log" 2>&1 ||
    { tail -30 "$work/build.log"; rm -rf "$built"; exit 1; }
  cp "$src/zxcvbn.h" "$built/include/"
  rm -rf "$work"
  echo "zxcvbn-c $version for $triple: $((SECONDS - t0)) s"
fi
mkdir -p "$prefix"
cp -a "$built/." "$prefix/"
echo "$version" >"$stamp"
