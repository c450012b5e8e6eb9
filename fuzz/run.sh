#!/usr/bin/env bash
# Builds one fuzz target and runs it for a given time, single process.
#   fuzz/run.sh <fuzz_parse_key_block|fuzz_decode_file|fuzz_age_reader> <seconds> [extra libFuzzer flags...]
# BUILD_DIR (default /work/build-fuzz) holds the build, the growing corpus
# (corpus/<target>) and any crash inputs (artifacts/<target>/). The seed
# folder fuzz/corpus/<target> is only read, so it stays small.
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 <target> <seconds> [libFuzzer flags...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(dirname "$here")
build_dir=${BUILD_DIR:-/work/build-fuzz}

if [[ ! -f $build_dir/build.ninja ]]; then
  CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$source_dir" -B "$build_dir" -G Ninja -DTAINOTEKA_FUZZ=ON
fi
cmake --build "$build_dir" --target "$target" -j 1

seeds=$here/corpus/$target
work=$build_dir/corpus/$target
artifacts=$build_dir/artifacts/$target
mkdir -p "$work" "$artifacts"

flags=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/")
dict=$here/${target#fuzz_}.dict
[[ -f $dict ]] && flags+=(-dict="$dict")

log=$(mktemp)
trap 'rm -f "$log"' EXIT
set +e
"$build_dir/fuzz/$target" "${flags[@]}" "$@" "$work" "$seeds" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e

echo "---- $target: exit $status after up to $seconds s ----"
grep -E '^#[0-9]+[[:space:]]+DONE|^Done [0-9]+ runs|^stat::' "$log" || true
ls -1 "$artifacts" 2>/dev/null | sed 's/^/artifact: /'
exit "$status"
