#!/usr/bin/env bash
# How the editor fares while the program owning the clipboard does not answer
# (a stopped xclip): time from start until the main window is on screen, and
# time from key presses until their effect can be read from outside (End and
# Shift+Left select the last character, which becomes the PRIMARY selection
# once the keys' handlers are done). Runs on its own Xvfb with openbox.
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

# Xvfb picks a free display itself and names it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=("$!")
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
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
# Typing and selecting the line; the selection is PRIMARY once every key is handled.
t0=$(now_ms)
xdotool type --delay 50 "abcdefghij"
xdotool key Home shift+End
until [ "$(xclip -selection primary -o 2>/dev/null)" = abcdefghij ]; do
  [ $(( $(now_ms) - t0 )) -gt 600000 ] && { echo "typed keys never handled"; exit 1; }
  sleep 0.01
done
echo "10 typed keys, Home and Shift+End handled after $(( $(now_ms) - t0 )) ms"
all=""
for i in $(seq "$keys"); do
  t0=$(now_ms)
  xdotool key End shift+Left
  until [ "$(xclip -selection primary -o 2>/dev/null)" = j ]; do
    [ $(( $(now_ms) - t0 )) -gt 300000 ] && { echo "keys of round $i never handled"; exit 1; }
    sleep 0.005
  done
  all="$all $(( $(now_ms) - t0 ))"
  xdotool key Home shift+End
  until [ "$(xclip -selection primary -o 2>/dev/null)" = abcdefghij ]; do sleep 0.005; done
done
echo "End, Shift+Left until PRIMARY readable (ms, xclip start included):$all"
