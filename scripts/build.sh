#!/usr/bin/env bash
# Configures and builds into build/ (extra arguments go to cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja "$@" >/dev/null
cmake --build build
