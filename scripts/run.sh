#!/usr/bin/env bash
# Builds the editor and starts it; arguments go to the editor (a .txtp file).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec build/app/tainoteka "$@"
