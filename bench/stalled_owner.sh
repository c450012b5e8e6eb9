#!/usr/bin/env bash
# How the editor fares while the program owning the clipboard does not answer
# (a stopped xclip): time from start until the main window is on screen, and
# time from a key press until its effect can be read from outside (Shift+Left
# selects one character, which becomes the PRIMARY selection once the key's
# handlers are done). Runs on its own Xvfb with openbox.
#
#   bench/stalled_owner.sh PROGRAM [KEYS]
set -uo pipefail
prog=$(readlink -f "$1")
keys=${2:-5}
work=$(mktemp -d /tmp/tainoteka-stalled.XXXXXX)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null; kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

for n in $(seq 140 190); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=("$!")
export DISPLAY=":$n"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
HOME="$work" openbox >/dev/null 2>&1 &
pids+=("$!")
sleep 1

mkdir -p "$work/prog" "$work/home"
cp "$prog" "$work/prog/"
printf 'held by a program that stopped answering' | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
owner=$!
pids+=("$owner")
sleep 0.3
[ "${STALL:-1}" = 1 ] && kill -STOP "$owner"

t0=$(now_ms)
HOME="$work/home" QT_QPA_PLATFORM=xcb "$work/prog/$(basename "$prog")" >"$work/app.log" 2>&1 &
app=$!
pids+=("$app")
until xdotool search --onlyvisible --name ' - Тайнотека$' >/dev/null 2>&1; do
  [ $(( $(now_ms) - t0 )) -gt 60000 ] && { echo "window never appeared"; exit 1; }
  sleep 0.02
done
echo "window on screen after $(( $(now_ms) - t0 )) ms (clipboard owner stopped)"
sleep 1
xdotool type --delay 50 "abcdefghij"
sleep 1
all=""
for i in $(seq "$keys"); do
  t0=$(now_ms)
  xdotool key shift+Left
  expect=$(printf 'abcdefghij' | tail -c "$i")
  until [ "$(xclip -selection primary -o 2>/dev/null)" = "$expect" ]; do
    [ $(( $(now_ms) - t0 )) -gt 120000 ] && { echo "key $i never handled"; exit 1; }
    sleep 0.005
  done
  all="$all $(( $(now_ms) - t0 ))"
done
echo "Shift+Left until PRIMARY readable (ms, xclip start included):$all"
