#!/usr/bin/env bash
# Builds everything and runs every test: the default build, then the core
# again with the portable key derivation forced on, so both paths are checked.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh -DTAINOTEKA_WERROR=ON
(cd build && ctest --output-on-failure -j2 -LE e2e)
# The end-to-end tests drive real windows against their deadlines: alone, so
# no widget test competes with them for the two cores.
# A suite that fails is run once more, so one lost race with the X server
# does not hide the rest; a fault that holds fails both runs.
(cd build && ctest --output-on-failure -L e2e --repeat until-pass:2)

cmake -S . -B build-portable -G Ninja -DTAINOTEKA_PORTABLE_TRIG=ON -DTAINOTEKA_WERROR=ON \
  -DTAINOTEKA_BUILD_GUI=OFF -DTAINOTEKA_BUILD_BENCH=OFF >/dev/null
cmake --build build-portable
(cd build-portable && ctest --output-on-failure -j2)

# The Windows program: cross-built with MinGW, its tests run under Wine.
# TAINOTEKA_WINDOWS=0 leaves it out.
if [ "${TAINOTEKA_WINDOWS:-1}" != 0 ]; then
  scripts/test-windows.sh "$PWD/build"
fi
