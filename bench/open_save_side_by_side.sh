#!/usr/bin/env bash
# Тайнотека and KWrite side by side in one run, as whole processes on a
# virtual X server (Xvfb), each round taking every program in turn: the same
# text of 1 M, 10 M and 40 M characters (CR LF counting two), a .txtp for
# ours and UTF-8 for KWrite. Per program and size, medians of the rounds:
#   open   ours: from Enter in the password dialog; KWrite: from its start
#          (it asks nothing) -- until the window's title names the file and
#          the program answers a _NET_WM_PING (its event loop takes keys):
#          the first screen is painted.
#   whole  from the same moment, Ctrl+End sent right after the open: until
#          the program answers again, i.e. the end of the text is reached
#          (ours puts the rest of a long text in by slices after the first
#          screen; Ctrl+End waits for them). Count, search and save are
#          ready then too.
#   peak   VmHWM of the process once open.
#   save   one typed letter, then from Ctrl+S until the file on disk is
#          replaced and the program answers again.
# Timed from outside by bench/WindowReadyProbe.c, the same for every program;
# keys go through xdotool, whose start (a few ms) is inside every figure.
#
#   bench/open_save_side_by_side.sh [--ours PATH/tainoteka] [--txtp PATH/txtp]
#        [--also NAME=PATH/tainoteka] [--rounds 3] [--sizes "1 10 40"] [--tsv FILE]
#
# --also adds another build of ours (an older one, to compare before and after).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
ours=$root/build-release/app/tainoteka
txtp=$root/build-release/cli/txtp
rounds=3
sizes="1 10 40"
tsv=
declare -a also=()
while [ $# -gt 0 ]; do
  case $1 in
    --ours) ours=$2; shift 2 ;;
    --txtp) txtp=$2; shift 2 ;;
    --also) also+=("$2"); shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --tsv) tsv=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
[ -x "$ours" ] && [ -x "$txtp" ] || { echo "build tainoteka and txtp first (or give --ours/--txtp)" >&2; exit 2; }

# The peer and the X tools, for this benchmark only.
scripts/ensure-packages.sh kwrite xvfb xdotool libx11-dev

work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

cc -O2 -Wall -o "$work/probe" bench/WindowReadyProbe.c -lX11

display=
for n in $(seq 90 199); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=("$!")
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display
export BENCH_PASS=side-by-side
# KWrite's session services are not this benchmark's business.
export KDE_FULL_SESSION= QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$work/runtime"

# The same text for every program: lines of Russian words, 20-120 characters.
make_text() { # characters path
  python3 - "$1" "$2" <<'EOF'
import random, sys
total, path = int(sys.argv[1]), sys.argv[2]
rng = random.Random(20261208)
words = "тайна текст пароль окно строка файл письмо ключ память слово дом лес река город время".split()
out, left = [], total
while left > 0:
    goal = rng.randint(20, 120)
    line = []
    while sum(len(w) + 1 for w in line) < goal:
        line.append(rng.choice(words))
    text = " ".join(line)[: max(0, left - 2)]
    out.append(text + "\r\n")
    left -= len(text) + 2
open(path, "w", encoding="utf-8", newline="").write("".join(out))
EOF
}

for m in $sizes; do
  make_text $((m * 1000000)) "$work/text$m.txt"
  "$txtp" encrypt -i "$work/text$m.txt" -o "$work/text$m.txtp" --pass env:BENCH_PASS >/dev/null
done

vmhwm() { awk '/VmHWM/ { printf "%.0f", $2 / 1024 }' "/proc/$1/status"; }
ready() { "$work/probe" --pid "$1" --title "$2" --since "$(date +%s.%N)" --timeout 300 >/dev/null; }

# One round of ours: prints "open whole peak save".
run_ours() { # binary size
  local folder=$work/ours-$RANDOM file=$work/text$2.txtp pid start open whole peak save
  mkdir -p "$folder"
  cp "$1" "$folder/tainoteka"
  (cd "$folder" && exec ./tainoteka "$file") >>"$work/ours.log" 2>&1 &
  pid=$!; pids+=("$pid")
  ready "$pid" "Доступ к файлу"
  xdotool type --delay 0 "$BENCH_PASS"
  start=$(date +%s.%N)
  open=$("$work/probe" --pid "$pid" --title "text$2.txtp" --keys Return)
  xdotool key ctrl+End
  whole=$("$work/probe" --pid "$pid" --title "text$2.txtp" --since "$start")
  peak=$(vmhwm "$pid")
  xdotool type x
  ready "$pid" "text$2.txtp"
  save=$("$work/probe" --pid "$pid" --title "text$2.txtp" --keys ctrl+s --file "$file")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$open $whole $peak $save"
}

run_kwrite() { # size
  local file=$work/kw-text$1.txt pid start open whole peak save
  cp "$work/text$1.txt" "$file"
  start=$(date +%s.%N)
  kwrite "$file" >>"$work/kwrite.log" 2>&1 &
  pid=$!; pids+=("$pid")
  open=$("$work/probe" --pid "$pid" --title "kw-text$1.txt" --since "$start" --timeout 300)
  xdotool key ctrl+End
  whole=$("$work/probe" --pid "$pid" --title "kw-text$1.txt" --since "$start")
  peak=$(vmhwm "$pid")
  xdotool type x
  ready "$pid" "kw-text$1.txt"
  save=$("$work/probe" --pid "$pid" --title "kw-text$1.txt" --keys ctrl+s --file "$file")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$open $whole $peak $save"
}

# KWrite's first start builds its caches: not counted.
run_kwrite 1 >/dev/null || true

programs=("Тайнотека=$ours" "${also[@]}" "KWrite=kwrite")
results=$work/results
: >"$results"
for round in $(seq "$rounds"); do
  for m in $sizes; do
    for entry in "${programs[@]}"; do
      name=${entry%%=*}; path=${entry#*=}
      if [ "$path" = kwrite ]; then line=$(run_kwrite "$m"); else line=$(run_ours "$path" "$m"); fi
      read -r o w p v <<<"$line"
      echo "round $round, $m M, $name: open $o s, whole $w s, peak $p MiB, save $v s" >&2
      printf '%s\t%s\t%s\n' "$name" "$m" "$line" >>"$results"
    done
  done
done

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo
echo "Medians of $rounds rounds, $(date '+%Y-%m-%d %H:%M %Z'), load average $(cut -d' ' -f1-3 /proc/loadavg):"
echo
echo "| Program | Characters | Open until keys are taken | Whole text in | Peak memory | Save |"
echo "|---|---|---|---|---|---|"
for entry in "${programs[@]}"; do
  name=${entry%%=*}
  for m in $sizes; do
    col() { awk -F'\t' -v n="$name" -v m="$m" -v c="$1" '$1 == n && $2 == m { split($3, f, " "); print f[c] }' "$results" | median; }
    row="| $name | $m M | $(col 1) s | $(col 2) s | $(col 3) MiB | $(col 4) s |"
    echo "$row"
    if [ -n "$tsv" ]; then printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$m" "$(col 1)" "$(col 2)" "$(col 3)" "$(col 4)" >>"$tsv"; fi
  done
done
