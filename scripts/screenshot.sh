#!/usr/bin/env bash
# Takes docs/screenshot.png from the running program, so the README shows the
# window as it really is: builds when there is no program yet, starts it on a
# private X server with openbox, opens a sample document and shoots the main
# window with its frame.
#   screenshot.sh [BUILD_DIR] [OUTPUT.png]
# The document is a .txt.age; TAINOTEKA_SHOT_TYPE=txtp shows an old .txtp one.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/screenshot.png}
[ -x "$build/app/tainoteka" ] && [ -x "$build/cli/txtp" ] || scripts/build.sh
scripts/ensure-packages.sh xvfb xdotool x11-utils imagemagick openbox fonts-dejavu-core

work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() { # SECONDS COMMAND...: COMMAND succeeds before the deadline
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || { echo "screenshot: timed out waiting for: $*" >&2; return 1; }
    sleep 0.1
  done
}

for n in $(seq 150 250); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 1000x720x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$n"
wait_for 10 xdpyinfo
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" openbox >/dev/null 2>&1 &
pids+=($!)
wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

# A copy of the program folder, so its settings file stays out of the build.
mkdir -p "$work/prog"
cp "$build/app/tainoteka" "$work/prog/"
cat >"$work/letter.txt" <<'EOF'
Список дел на неделю

Понедельник: отправить отчёт в бухгалтерию до 12:00.
Вторник: созвон с Ольгой, обсудить план на квартал.
Среда: забрать документы у нотариуса (ул. Садовая, 14).

Пароль от роутера на даче: Зима-2026-Ключ
Код домофона у мамы: 4417

Подробности: https://example.org/plan
EOF
pass=Sekret42
doc="Заметки.${TAINOTEKA_SHOT_TYPE:-txt.age}"
TXTP_PASS=$pass "$build/cli/txtp" encrypt -i "$work/letter.txt" -o "$work/$doc" --pass env:TXTP_PASS

HOME="$work/home" "$work/prog/tainoteka" "$work/$doc" >/dev/null 2>&1 &
pids+=($!)
wait_for 20 xdotool search --onlyvisible --name '^Доступ к файлу$'
xdotool type --delay 40 -- "$pass"
xdotool key Return
wait_for 20 xdotool search --onlyvisible --name "^$doc - Тайнотека\$"
id=$(xdotool search --onlyvisible --name "^$doc - Тайнотека\$" | head -n1)

# Shoot until two shots in a row agree: the window has finished painting.
mkdir -p "$(dirname "$out")"
prev="$work/prev.png" cur="$work/cur.png"
import -frame -window "$id" "$prev"
for _ in $(seq 50); do
  import -frame -window "$id" "$cur"
  cmp -s <(convert "$prev" rgba:-) <(convert "$cur" rgba:-) && break
  mv "$cur" "$prev"
done
convert "$cur" -strip -define png:compression-level=9 "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
