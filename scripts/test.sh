#!/usr/bin/env bash
# Builds everything and runs every test: the default build, then the core
# again with the portable key derivation forced on, so both paths are checked.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
(cd build && ctest --output-on-failure -j2)

cmake -S . -B build-portable -G Ninja -DTAINOTEKA_PORTABLE_TRIG=ON \
  -DTAINOTEKA_BUILD_GUI=OFF -DTAINOTEKA_BUILD_BENCH=OFF >/dev/null
cmake --build build-portable
(cd build-portable && ctest --output-on-failure -j2)

# The Windows program: cross-built with MinGW, its tests run under Wine.
if [ "${TAINOTEKA_SKIP_WINDOWS:-0}" != 1 ]; then
  scripts/test-windows.sh "$PWD/build"
fi
