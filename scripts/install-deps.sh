#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those
# that are missing. Run as root (or with sudo available).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg-dev libx11-dev qt6-translations-l10n libsodium-dev libzxcvbn-dev
  age python3
)
if [ "${1:-}" = "--with-fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

exec "$(dirname "$0")/ensure-packages.sh" "${packages[@]}"
