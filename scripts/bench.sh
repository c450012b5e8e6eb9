#!/usr/bin/env bash
# Builds a Release tree in build-release/ and measures the program: the
# protection core (core_bench), the x87/portable key agreement, txtp as whole
# processes on 40 MB and 1 GB files (txtp_stream_bench), the editor
# with large documents (editor_bench, offscreen), and on a real X server
# (Xvfb) the idle CPU of the program with the clipboard switch off, the time
# it takes to empty the clipboard and the PRIMARY selection after another
# program fills them, and a typed key while another program owns the
# clipboard. Prints one markdown table at the end. About 2 minutes once
# built. Logs stay in build-release/bench-logs/.
#
#   scripts/bench.sh            # everything
#   BENCH_QUICK=1 scripts/bench.sh   # fewer repetitions, for a smoke run
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-release
logs=$build/bench-logs
quick=${BENCH_QUICK:-0}

scripts/install-deps.sh
# The X part needs a virtual server and xclip; install only what is missing.
x_missing=()
for p in xvfb xclip; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || x_missing+=("$p")
done
if [ ${#x_missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${x_missing[@]}"
fi

echo "== building Release into $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target tainoteka txtp core_bench verify_portable_keys editor_bench txtp_stream_bench find_bench
mkdir -p "$logs"

work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)

# ---------------------------------------------------------------------------
echo "== core_bench"
reps=5
[ "$quick" = 1 ] && reps=1
"$build/bench/core_bench" --benchmark_repetitions=$reps --benchmark_report_aggregates_only=true \
  | tee "$logs/core_bench.log"

echo "== verify_portable_keys"
keys_count=1000000
[ "$quick" = 1 ] && keys_count=100000
keys_status=0
"$build/bench/verify_portable_keys" --count $keys_count | tee "$logs/verify_portable_keys.log" || keys_status=$?

echo "== txtp_stream_bench (files in /tmp, deleted afterwards)"
large_mib=1024
[ "$quick" = 1 ] && large_mib=128
"$build/bench/txtp_stream_bench" --runs $((reps + 2)) --large-mib $large_mib --tsv "$logs/txtp_stream.tsv" \
  | tee "$logs/txtp_stream.log"

echo "== editor_bench (offscreen)"
runs=3
[ "$quick" = 1 ] && runs=1
"$build/bench/editor_bench" --runs $runs --tsv "$logs/editor.tsv" 2>&1 | tee "$logs/editor_bench.log"

echo "== find_bench (offscreen)"
find_runs=5
[ "$quick" = 1 ] && find_runs=1
"$build/bench/find_bench" --runs $find_runs --tsv "$logs/find.tsv" 2>&1 | tee "$logs/find_bench.log"

# ---------------------------------------------------------------------------
echo "== X server part"
display=
for n in $(seq 90 199); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
xvfb_pid=$!
pids+=("$xvfb_pid")
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done
export DISPLAY=$display

cc -O2 -Wall -o "$work/selection_clear_probe" bench/SelectionClearProbe.c -lX11

# Two copies of the program, one with the clipboard switch off, one with it on.
start_program() { # folder ClipboardChecked variable-for-the-pid
  mkdir -p "$1"
  cp "$build/app/tainoteka" "$build/app/help.html" "$1/"
  printf '[CLIPBOARD]\nClipboardChecked=%s\n' "$2" >"$1/options.ini"
  (cd "$1" && exec ./tainoteka) >>"$logs/tainoteka.log" 2>&1 &
  pids+=("$!")
  printf -v "$3" '%s' "$!"
}
# utime+stime of a process, in clock ticks.
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }

start_program "$work/off" 0 off_pid
start_program "$work/on" 1 on_pid
sleep 3
for p in "$off_pid" "$on_pid"; do
  kill -0 "$p" 2>/dev/null || { echo "tainoteka ($p) did not stay up; see $logs/tainoteka.log" >&2; exit 1; }
done

idle_seconds=20
[ "$quick" = 1 ] && idle_seconds=5
hz=$(getconf CLK_TCK)
t0=$(date +%s.%N); a0=$(cpu_ticks "$off_pid"); b0=$(cpu_ticks "$on_pid"); x0=$(cpu_ticks "$xvfb_pid")
sleep $idle_seconds
t1=$(date +%s.%N); a1=$(cpu_ticks "$off_pid"); b1=$(cpu_ticks "$on_pid"); x1=$(cpu_ticks "$xvfb_pid")
percent() { awk -v d="$1" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.2f", 100 * d / hz / (t1 - t0) }'; }
idle_off=$(percent $((a1 - a0)))
idle_on=$(percent $((b1 - b0)))
idle_x=$(percent $((x1 - x0)))
idle_secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", b - a }')
echo "idle CPU over ${idle_secs} s: switch off ${idle_off} %, switch on ${idle_on} %, Xvfb ${idle_x} %" \
  | tee "$logs/idle.log"

# The copy with the switch on must not take part in the clearing.
kill "$on_pid"; wait "$on_pid" 2>/dev/null || true
probe_count=20
"$work/selection_clear_probe" -s CLIPBOARD -n $probe_count | tee "$logs/clear_clipboard.log"
"$work/selection_clear_probe" -s PRIMARY -n $probe_count | tee "$logs/clear_primary.log"
kill -0 "$off_pid" 2>/dev/null || { echo "tainoteka exited during the clipboard probe" >&2; exit 1; }
kill "$off_pid"; wait "$off_pid" 2>/dev/null || true

# A typed key on xcb while another program (xclip) owns the clipboard, so
# each refresh of the edit commands asks that program what it offers.
printf 'text held by another program' >"$work/clip.txt"
xclip -selection clipboard -quiet -i "$work/clip.txt" >/dev/null 2>&1 &
pids+=("$!")
sleep 0.3
QT_QPA_PLATFORM=xcb "$build/bench/editor_bench" --keys-only --tsv "$logs/editor_xcb.tsv" 2>&1 \
  | tee "$logs/editor_bench_xcb.log"
kill "$xvfb_pid" 2>/dev/null || true

# ---------------------------------------------------------------------------
# The table.
core_line() { grep -m1 -F "  $1 " "$logs/core_bench.log" | sed "s|^  $1 *||" | tr -s ' '; }
core_value() { local l; l=$(core_line "$1"); l=${l%%target*}; echo "${l% }"; }
core_target() { local l; l=$(core_line "$1"); [[ $l == *target* ]] && echo "${l#*target }" || echo ""; }
ed() { awk -F'\t' -v k="$2" '$1 == k { print $3 }' "$logs/$1"; }
st() { awk -F'\t' -v k="$1" '$1 == k { print $2 }' "$logs/txtp_stream.tsv"; }
probe() { sed -n 's/^summary [A-Z]* n=\([0-9]*\) median=\([0-9.]*\) max=\([0-9.]*\) timeouts=\([0-9]*\)/\2 ms (max \3, \4 of \1 missed)/p' "$logs/$1"; }
keys_line=$(grep -m1 '^disagreements:' "$logs/verify_portable_keys.log" || echo "disagreements: ?")
keys_time=$(sed -n 's/.*bytes in all), \(.*\)$/\1/p' "$logs/verify_portable_keys.log")

cpu_model=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
cores=$(nproc)
mem=$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
os=$(. /etc/os-release && echo "$PRETTY_NAME")
qt=$(pkg-config --modversion Qt6Core 2>/dev/null || echo 6)
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
compiler_version=$("$compiler" --version | head -1)

table=$(cat <<EOF
Measured $(date '+%Y-%m-%d %H:%M %Z') on ${cpu_model}, ${cores} cores, ${mem} RAM, ${os}, Qt ${qt}, ${compiler_version}, Release build; load average at start ${load_at_start}. Medians: core ${reps} repetitions, editor ${runs} runs, keys 7 presses.

| What | Result | Target |
|---|---|---|
| Encipher (40 MB) | $(core_value "encrypt run") | |
| Decipher (40 MB) | $(core_value "decrypt run") | |
| Encipher / bare dependency chain | $(core_value "encrypt / reference") | $(core_target "encrypt / reference") |
| Decipher / bare dependency chain | $(core_value "decrypt / reference") | $(core_target "decrypt / reference") |
| Password keys, default path (x87) | $(core_value "derive keys, default path") | $(core_target "derive keys, default path") |
| Password keys, portable path | $(core_value "derive keys, portable path") | $(core_target "derive keys, portable path") |
| Encode 40 M characters to a .txtp (with code page) | $(core_value "encode 40M-char document") | $(core_target "encode 40M-char document") |
| Decode a .txtp of 40 M characters (with code page) | $(core_value "decode 40M-char document") | $(core_target "decode 40M-char document") |
| x87 vs portable keys, ${keys_count} random passwords | ${keys_line#disagreements: } disagreements (${keys_time}) | 0 |
| Open 10 M characters (File > Open until painted / whole text in) | $(ed editor.tsv open10_shown) / $(ed editor.tsv open10_whole) | |
| Open 40 M characters (File > Open until painted / whole text in) | $(ed editor.tsv open40_shown) / $(ed editor.tsv open40_whole) | |
| Save 40 M characters | $(ed editor.tsv save40) | |
| Typed key at the end of 40 M (handlers / until painted) | $(ed editor.tsv key_end_handler) / $(ed editor.tsv key_end_shown) | |
| Typed key in the middle of 40 M (handlers / until painted) | $(ed editor.tsv key_mid_handler) / $(ed editor.tsv key_mid_shown) | |
| Typed key, X server, clipboard owned by another program (end / middle, until painted) | $(ed editor_xcb.tsv key_end_shown) / $(ed editor_xcb.tsv key_mid_shown) | |
| Peak memory opening 40 M (VmHWM) | $(ed editor.tsv peak_open40) (empty editor $(ed editor.tsv rss_before_open40), afterwards $(ed editor.tsv rss_after_open40)) | |
| Peak memory saving 40 M (VmHWM) | $(ed editor.tsv peak_save40) | |
| txtp decrypt --raw 40 MB / bare read-decipher-write loop (whole processes, in turns) | $(st ratio) ($(st raw40) vs $(st bare40); CPU time $(st cpu_ratio)) | ≤ 1.3 |
| txtp peak memory, 40 MB (decrypt --raw / decrypt / encrypt) | $(st peak_raw40) / $(st peak_utf8_40) / $(st peak_encrypt40) | < 16 MiB |
| txtp peak memory, $(st large_mib) MiB (decrypt --raw / decrypt) | $(st peak_raw_large) / $(st peak_utf8_large) | < 16 MiB |
| Find next in 40 M characters, only match behind the caret (wraps; case folded / case kept / whole word) | $(ed find.tsv find_wrap) / $(ed find.tsv find_wrap_case) / $(ed find.tsv find_wrap_word) | < 100 ms |
| The same, first search after a change (whole text copied: $(ed find.tsv whole_copy)) | $(ed find.tsv find_direct) | < 100 ms |
| Find previous, only match ahead of the caret (wraps) | $(ed find.tsv find_wrap_back) | < 100 ms |
| Find next with no match anywhere | $(ed find.tsv find_none) | |
| Typed key, find panel open, 10,000 matches (handlers / until painted) | $(ed find.tsv key_marks_handler) / $(ed find.tsv key_marks_shown) | < 5 ms |
| Replace all, 1,000,000 matches (until painted; undo) | $(ed find.tsv replace_all) ($(ed find.tsv replace_all_shown); undo $(ed find.tsv replace_all_undo)) | < 3 s |
| Memory of that replace all: resident before / peak / after | $(ed find.tsv replace_all_rss_before) / $(ed find.tsv replace_all_peak) / $(ed find.tsv replace_all_rss_after) | peak < 2 × before |
| Replace all, 10,000 matches | $(ed find.tsv replace_sparse) | |
| Idle CPU, clipboard switch off (${idle_secs} s) | ${idle_off} % of one core (switch on: ${idle_on} %; Xvfb: ${idle_x} %) | |
| Clipboard emptied after another program copies | $(probe clear_clipboard.log) | |
| PRIMARY selection emptied after another program selects | $(probe clear_primary.log) | |

Editor figures on Qt's offscreen platform unless marked X server (Xvfb). "40 M characters" is 39,999,936 in the status bar's count (a line break counts 2), just under the 40,000,000 limit so typed keys are taken; the file is that many bytes plus the 200-byte key block. Open stages (40 M): read $(ed editor.tsv stage_read), decipher $(ed editor.tsv stage_decode), code page $(ed editor.tsv stage_convert), editing area $(ed editor.tsv stage_load) (its first screens $(ed editor.tsv stage_first_screens); a plain QPlainTextEdit: $(ed editor.tsv stage_bare)); the text holds $(ed editor.tsv stage_rich_held) in the editing area ($(ed editor.tsv stage_bare_held) in a plain QPlainTextEdit).
EOF
)
echo
echo "$table" | tee "$logs/table.md"
[ "$keys_status" -eq 0 ] || { echo "verify_portable_keys reported disagreements" >&2; exit 1; }
