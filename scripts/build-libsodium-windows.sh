#!/usr/bin/env bash
# Cross-builds libsodium for the Windows program (MinGW-w64 x86_64, posix
# threads: the Qt SDK's compiler) from Debian's own source package, the same
# version as the host's libsodium-dev, and installs it into PREFIX, where the
# SDK's toolchain finds it. Static only: nothing more to ship beside the .exe.
#   build-libsodium-windows.sh PREFIX
# The finished install is kept in $TAINOTEKA_WINSDK_CACHE (default
# ~/.cache/tainoteka-winsdk), so a new build folder only copies it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:?usage: build-libsodium-windows.sh PREFIX}
triple=x86_64-w64-mingw32
cache=${TAINOTEKA_WINSDK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tainoteka-winsdk}

"$root/scripts/ensure-packages.sh" libsodium-dev gcc-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev dpkg-dev make autoconf automake libtool
version=$(dpkg-query -W -f='${source:Version}' libsodium-dev)
stamp=$prefix/lib/libsodium-mingw.version
[ "$(cat "$stamp" 2>/dev/null)" = "$version" ] && exit 0

built=$cache/libsodium-$version
if [ ! -e "$built/lib/libsodium.a" ]; then
  t0=$SECONDS
  "$root/scripts/ensure-deb-src.sh"
  work=$cache/build-libsodium
  rm -rf "$work" "$built" && mkdir -p "$work"
  (cd "$work" && apt-get source -q "libsodium=$version" >source.log 2>&1) ||
    { tail -20 "$work/source.log"; exit 1; }
  src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libsodium-*')
  # Debian's source has no configure script; it is generated as Debian does.
  # -O2 as Debian builds it; no stack protector, whose MinGW runtime would
  # have to be linked into every program.
  (cd "$src" && autoreconf -fi && ./configure --host=$triple CC=$triple-gcc-posix --prefix="$built" \
     --disable-shared --enable-static --disable-ssp CFLAGS=-O2 &&
   make -j"$(nproc)" && make install) >"$work/build.log" 2>&1 ||
    { tail -30 "$work/build.log"; exit 1; }
  # Their paths name the cache; the Windows build links the archive directly.
  rm -rf "$built/lib/libsodium.la" "$built/lib/pkgconfig"
  rm -rf "$work"
  echo "libsodium $version for $triple: $((SECONDS - t0)) s"
fi
mkdir -p "$prefix"
cp -a "$built/." "$prefix/"
echo "$version" >"$stamp"
