#!/usr/bin/env bash
# The clipboard guard on Wayland sessions, under real compositors started
# here without a screen: weston (the reference compositor) and mutter
# (GNOME's), each with XWayland, and wl-clipboard as the native Wayland
# program that copies and pastes. For each compositor that starts:
#  - with WAYLAND_DISPLAY and DISPLAY both set and no platform named, the
#    program runs on X11 through XWayland;
#  - with the switch off, text copied by wl-copy and by xclip is gone for
#    Wayland and X readers alike (times are logged per copier);
#  - nothing typed and copied in the program reaches a Wayland paste;
#  - run natively (the user names "wayland"), what the guard manages is
#    measured and logged: Wayland lets only the focused program touch the
#    clipboard.
# A compositor that cannot start here is reported and skipped; at least one
# must run.
#
#   wayland.sh BUILD_DIR [weston|mutter ...]
set -uo pipefail

readonly HERE=$(dirname "$(readlink -f "$0")")
. "$HERE/retried.sh"
readonly PYTHON=/usr/bin/python3
readonly ROUNDS=5

log() { printf '[%(%T)T] %s\n' -1 "$*"; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

ensure_packages() {
  local needed=(weston xwayland mutter wl-clipboard xclip xvfb xdotool x11-utils dbus-daemon python3-dbus
    qt6-wayland fonts-dejavu-core gcc libc6-dev libx11-dev)
  "$HERE/../../scripts/ensure-packages.sh" "${needed[@]}"
}

PIDS=()
cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  [ -n "${TMP:-}" ] && rm -rf "$TMP"
}

# wait_exit PID MS: the process ends (a zombie counts as ended).
wait_exit() {
  local deadline=$(( $(now_ms) + $2 )) state
  while [ "$(now_ms)" -lt "$deadline" ]; do
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 0
    [ "$state" = Z ] && return 0
    sleep 0.002
  done
  return 1
}

wait_line() { # FILE REGEX SECONDS: prints the first matching line
  local deadline=$(( $(now_ms) + $3 * 1000 )) line
  while [ "$(now_ms)" -lt "$deadline" ]; do
    line=$(grep -m1 -E "$2" "$1" 2>/dev/null) && { echo "$line"; return 0; }
    sleep 0.1
  done
  return 1
}

# The session a compositor gives its clients: WL (Wayland socket), XD (the
# XWayland display), XA (its authority file, if any), RT (runtime folder),
# KD (the X display that takes synthetic keys for it).
WL= XD= XA= RT= KD=

wl() { WAYLAND_DISPLAY=$WL XDG_RUNTIME_DIR=$RT "$@"; }
xw() { DISPLAY=$XD XAUTHORITY=$XA "$@"; }
wayland_text() { wl timeout 5 wl-paste --no-newline 2>/dev/null; }
wayland_primary() { wl timeout 5 wl-paste --primary --no-newline 2>/dev/null; }
x_text() { xw timeout 5 xclip -selection clipboard -o 2>/dev/null; }

# A Wayland client can use the clipboard here (the seat has a keyboard).
wayland_clipboard_works() {
  wl timeout 5 wl-copy --foreground "probe" 2>"$ART/$1-probe.txt" &
  local copier=$!
  sleep 0.5
  local got
  got=$(wayland_text)
  kill "$copier" 2>/dev/null
  wait "$copier" 2>/dev/null
  [ "$got" = probe ]
}

xwayland_display_ready() {
  local i
  for i in $(seq 100); do
    xw timeout 3 xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

start_weston_with() { # BACKEND-ARGS...
  weston "$@" --xwayland --socket=tainoteka-weston --idle-time=0 >"$ART/weston.log" 2>&1 &
  COMPOSITOR_PID=$!
  PIDS+=("$COMPOSITOR_PID")
  local line
  line=$(wait_line "$ART/weston.log" 'xserver listening on display :[0-9]+' 20) || return 1
  XD=:${line##*:}
  WL=tainoteka-weston XA= KD=
}

stop_compositor() {
  kill "$COMPOSITOR_PID" 2>/dev/null
  wait "$COMPOSITOR_PID" 2>/dev/null
  [ -n "${EXTRA_PID:-}" ] && { kill "$EXTRA_PID" 2>/dev/null; wait "$EXTRA_PID" 2>/dev/null; }
  EXTRA_PID=
}

start_weston() {
  RT="$TMP/weston-rt"
  mkdir -p "$RT" && chmod 700 "$RT"
  export XDG_RUNTIME_DIR=$RT
  if start_weston_with --backend=headless-backend.so && xwayland_display_ready && wayland_clipboard_works weston; then
    log "weston: headless backend"
    return 0
  fi
  # Weston's headless backend has no seat, and without a seat no Wayland
  # client may copy or paste. Its X11 backend on a private Xvfb has one.
  log "weston: headless backend gives no seat ($(tr '\n' ' ' <"$ART/weston-probe.txt")); using its X11 backend on Xvfb"
  stop_compositor
  local n
  for n in $(seq 200 260); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1400x1100x24 -nolisten tcp >"$ART/weston-xvfb.log" 2>&1 &
  EXTRA_PID=$!
  PIDS+=("$EXTRA_PID")
  local i
  for i in $(seq 50); do DISPLAY=":$n" timeout 3 xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  DISPLAY=":$n" start_weston_with --backend=x11-backend.so --width=1280 --height=1024 || return 1
  # XWayland here takes no synthetic keys; weston passes on its X window's.
  KD=":$n"
  xwayland_display_ready && wayland_clipboard_works weston
}

start_mutter() {
  RT="$TMP/mutter-rt"
  mkdir -p "$RT" && chmod 700 "$RT"
  export XDG_RUNTIME_DIR=$RT
  local bus
  bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>"$ART/dbus.log") || return 1
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
  PIDS+=("$(sed -n 2p <<<"$bus")")
  mutter --headless --wayland --virtual-monitor 1280x1024 --wayland-display=tainoteka-mutter \
    >"$ART/mutter.log" 2>&1 &
  COMPOSITOR_PID=$!
  PIDS+=("$COMPOSITOR_PID")
  local line
  line=$(wait_line "$ART/mutter.log" 'Using public X11 display :[0-9]+' 30) || return 1
  line=${line#*display :}
  XD=:${line%%,*}
  WL=tainoteka-mutter KD=
  XA=$(ls -t "$RT"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)
  # Headless mutter's seat has no keyboard until a remote-desktop session
  # brings a virtual one.
  "$PYTHON" "$HERE/mutter_keyboard.py" 3600 >"$ART/mutter-keyboard.txt" 2>&1 &
  EXTRA_PID=$!
  PIDS+=("$EXTRA_PID")
  wait_line "$ART/mutter-keyboard.txt" '^ready' 20 >/dev/null || return 1
  xwayland_display_ready && wayland_clipboard_works mutter
}

APP_PID=
start_app() { # NAME [VARIABLE=VALUE...]: the program with the switch off
  local dir="$TMP/$1"
  shift
  mkdir -p "$dir/prog" "$dir/home"
  cp "$APP" "$HELP" "$dir/prog/"
  printf '[CLIPBOARD]\nClipboardChecked=0\n' >"$dir/prog/options.ini"
  (cd "$dir" && exec env -u QT_QPA_PLATFORM HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" \
    DISPLAY="$XD" XAUTHORITY="$XA" WAYLAND_DISPLAY="$WL" XDG_RUNTIME_DIR="$RT" "$@" "$dir/prog/tainoteka") \
    >"$ART/$C-app.log" 2>&1 &
  APP_PID=$!
  PIDS+=("$APP_PID")
}

stop_app() {
  kill "$APP_PID" 2>/dev/null
  wait "$APP_PID" 2>/dev/null
  APP_PID=
}

# The platform plugin the program loaded.
app_platform() {
  local i
  for i in $(seq 100); do
    grep -qE 'libqxcb\.so' "/proc/$APP_PID/maps" 2>/dev/null && { echo xcb; return; }
    grep -qE 'libqwayland-generic\.so|libqwayland-egl\.so' "/proc/$APP_PID/maps" 2>/dev/null && { echo wayland; return; }
    sleep 0.1
  done
  echo unknown
}

# copy_and_time COPIER TEXT: ms until the copier lost the clipboard (its
# process ends when its copy is replaced or cleared), or "kept" after 3 s.
copy_and_time() {
  local t0 pid
  t0=$(now_ms)
  case "$1" in
    wl-copy) wl wl-copy --foreground "$2" >/dev/null 2>&1 & pid=$! ;;
    xclip) printf '%s' "$2" | xw xclip -selection clipboard -i -quiet >/dev/null 2>&1 & pid=$! ;;
  esac
  PIDS+=("$pid")
  if wait_exit "$pid" 3000; then
    echo $(( $(now_ms) - t0 ))
  else
    kill "$pid" 2>/dev/null
    echo kept
  fi
  wait "$pid" 2>/dev/null
}

# ms figures for ROUNDS copies, then what each reader finds afterwards.
measure_copier() { # COPIER MODE -> sets FIGURES and LEFT
  local i ms w x
  FIGURES= LEFT=
  for i in $(seq "$ROUNDS"); do
    ms=$(copy_and_time "$1" "$2 copy $i by $1")
    FIGURES="$FIGURES $ms"
    w=$(wayland_text)
    x=$(x_text)
    [ -n "$w" ] && LEFT="$LEFT [round $i: Wayland reader got '$w']"
    [ -n "$x" ] && LEFT="$LEFT [round $i: X reader got '$x']"
  done
}

FAILED=0
LAST_FAIL=
check() { # CONDITION-TEXT MESSAGE
  if [ "$1" = ok ]; then log "  ok: $2"; else LAST_FAIL="FAIL: $2"; log "  $LAST_FAIL"; FAILED=1; fi
}

# Synthetic keys, by way of the display that takes them.
keys_to_app() {
  if [ -n "$KD" ]; then DISPLAY=$KD XAUTHORITY= xdotool "$@"; else xw xdotool "$@"; fi
}

# wl-copy and wl-paste take the keyboard focus for a moment (a Wayland
# client may touch the clipboard only with it), so focus goes back to the
# program before its keys.
focus_app() {
  local id x y X= Y= WIDTH=0 HEIGHT=0
  id=$(xw xdotool search --onlyvisible --name "${1:- - Тайнотека\$}" | head -n1)
  [ -n "$id" ] || return 1
  xw xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xw xdotool windowfocus "$id" >/dev/null 2>&1
  if [ -n "$KD" ]; then # a click gives the window weston's keyboard focus
    eval "$(xw xdotool getwindowgeometry --shell "$id")"
    x=$((X + WIDTH / 2)) y=$((Y + HEIGHT / 2))
    keys_to_app mousemove "$x" "$y" click 1
  fi
  sleep 0.3
}

# Both the compositor and the program still run; otherwise says which ended
# and why, so that a compositor's own crash is told apart from ours.
session_alive() {
  if ! kill -0 "$COMPOSITOR_PID" 2>/dev/null; then
    check no "$C itself ended during the test; its log ends:"
    tail -n 12 "$ART/$C.log" | sed 's/^/      /'
    return 1
  fi
  if ! kill -0 "$APP_PID" 2>/dev/null; then
    wait "$APP_PID" 2>/dev/null
    check no "the program ended (exit status $?); its output ends:"
    tail -n 12 "$ART/$C-app.log" | sed 's/^/      /'
    APP_PID=
    return 1
  fi
  return 0
}

type_into_app() {
  focus_app || return 1
  keys_to_app type --delay 40 "$1"
  keys_to_app key --delay 80 ctrl+a ctrl+c ctrl+Insert
}

run_xwayland_checks() {
  log "$C: program with WAYLAND_DISPLAY=$WL and DISPLAY=$XD, no platform named, switch off"
  start_app "$C-xwayland"
  local id= i
  for i in $(seq 200); do
    id=$(xw xdotool search --onlyvisible --name ' - Тайнотека$' 2>/dev/null | head -n1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  local platform
  platform=$(app_platform)
  [ -n "$id" ] && check ok "window on the XWayland display $XD" || check no "no window on the XWayland display $XD"
  [ "$platform" = xcb ] && check ok "runs on X11 (xcb)" || check no "platform plugin is '$platform', not xcb"
  sleep 0.5

  local copier
  for copier in wl-copy xclip; do
    measure_copier "$copier" "$C"
    log "  $copier: copier lost the clipboard after (ms, process start included):$FIGURES"
    if [[ "$FIGURES" == *kept* ]] || [ -n "$LEFT" ]; then
      check no "$copier's text stayed:$LEFT"
    else
      check ok "$copier's text gone for Wayland and X readers"
    fi
  done

  local i v figures=
  for i in $(seq "$ROUNDS"); do
    v=$(xw "$X11TOOL" own CLIPBOARD "owned on $C $i" 1000 2>>"$ART/$C-x11tool.txt" |
      awk -F= '/^cleared_after_us=/ { printf "%.2f", $2 / 1000 }')
    figures="$figures ${v:-kept}"
  done
  log "  X client owning the clipboard on XWayland lost it after (ms, from owning):$figures"
  [[ "$figures" == *kept* ]] && check no "an X owner kept the clipboard" || check ok "an X owner lost the clipboard each time"
  session_alive || return
  [ -z "$(wayland_text)" ] && check ok "Wayland reader finds nothing after it" ||
    check no "Wayland reader finds '$(wayland_text)' after the X owner lost the clipboard"

  type_into_app "held in $C" || { check no "the program's window is gone"; session_alive; return; }
  local deadline=$(( $(now_ms) + 1500 )) leak=
  while [ "$(now_ms)" -lt "$deadline" ]; do
    [ "$(wayland_text)" = "held in $C" ] && leak="clipboard"
    [ "$(wayland_primary)" = "held in $C" ] && leak="$leak primary"
    [ -n "$leak" ] && break
  done
  [ -z "$leak" ] && check ok "typed, selected and copied text never reached a Wayland paste" ||
    check no "the program's text reached a Wayland paste ($leak)"
  # Keys reach the X window: Ctrl+Alt+P shows the password change dialog.
  # The compositor may still be handing the focus back from the last copier:
  # a press that went nowhere is repeated, a program that never answers fails.
  local dialog= attempt
  for attempt in 1 2 3; do
    focus_app
    keys_to_app key ctrl+alt+p
    for i in $(seq 30); do
      dialog=$(xw xdotool search --onlyvisible --name '^Смена пароля$' 2>/dev/null | head -n1)
      [ -n "$dialog" ] && break 2
      sleep 0.1
    done
  done
  if [ -n "$dialog" ]; then
    check ok "keys reach the program (Ctrl+Alt+P opened the password dialog)"
  elif [ -n "$KD" ]; then
    # weston's stand-in X11 backend passes synthetic keys on unreliably; mutter
    # (below) proves the same path with real key delivery.
    log "  note: keys sent through weston's X11 backend did not reach the program; the leak check above is unproven here"
  else
    check no "keys never reached the program, so the copy test above proves nothing"
  fi
  session_alive && check ok "program still running"
}

# Native Wayland: figures only; Wayland lets a program clear the clipboard
# only while it has the keyboard focus.
run_native_report() {
  log "$C: program on native Wayland (QT_QPA_PLATFORM=wayland), switch off"
  start_app "$C-native" QT_QPA_PLATFORM=wayland
  local platform
  platform=$(app_platform)
  if [ "$platform" != wayland ]; then
    log "  native Wayland did not start (platform '$platform'); see $ART/$C-app.log"
    stop_app
    return
  fi
  sleep 2
  local copier
  for copier in wl-copy xclip; do
    measure_copier "$copier" "$C native"
    log "  native, $copier: copier lost the clipboard after (ms):$FIGURES;${LEFT:- nothing left for either reader}"
  done
  kill -0 "$APP_PID" 2>/dev/null && check ok "native program still running" || check no "native program ended"
  stop_app
}

run_compositor() {
  C=$1
  COMPOSITOR_PID= EXTRA_PID=
  if ! "start_$C"; then
    log "$C: cannot start here; skipped (see $ART/$C.log)"
    stop_compositor
    return 1
  fi
  log "$C: Wayland socket $WL, XWayland $XD"
  run_xwayland_checks
  [ -n "$APP_PID" ] && stop_app
  kill -0 "$COMPOSITOR_PID" 2>/dev/null && run_native_report
  stop_compositor
  unset DBUS_SESSION_BUS_ADDRESS
  return 0
}

main() {
  [ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [weston|mutter ...]" >&2; return 2; }
  local build
  build=$(readlink -f "$1")
  shift
  local compositors=("$@")
  [ ${#compositors[@]} -gt 0 ] || compositors=(weston mutter)
  APP="$build/app/tainoteka" HELP="$build/app/help.html"
  [ -f "$APP" ] && [ -f "$HELP" ] || { echo "missing $APP or $HELP: build first" >&2; return 2; }
  ensure_packages || { echo "FAIL: could not install the packages the test needs"; return 1; }
  ART="$build/e2e-artifacts/wayland"
  rm -rf "$ART"
  mkdir -p "$ART"
  TMP=$(mktemp -d /tmp/tainoteka-wayland.XXXXXX)
  trap cleanup EXIT
  # XWayland puts its socket here; on a machine without any X server yet
  # the folder does not exist.
  [ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
  X11TOOL="$TMP/x11tool"
  cc -O1 -o "$X11TOOL" "$HERE/x11tool.c" -lX11 || { echo "FAIL: cannot build x11tool"; return 1; }
  export LC_ALL=C.UTF-8 LANG=C.UTF-8
  unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS

  local ran=0 c first failed=0
  for c in "${compositors[@]}"; do
    FAILED=0
    run_compositor "$c" || continue
    ran=$((ran + 1))
    [ "$FAILED" -eq 0 ] && continue
    # Once more; a second run that passes is reported, never hidden.
    first=$LAST_FAIL
    FAILED=0
    if run_compositor "$c" && [ "$FAILED" -eq 0 ]; then
      report_retried wayland "$c" "$first"
    else
      failed=1
    fi
  done
  [ "$ran" -gt 0 ] || { echo "FAIL: no compositor could start"; return 1; }
  [ "$failed" -eq 0 ] && echo "wayland: $ran compositor(s) passed" || echo "wayland: FAILED"
  [ "$failed" -eq 0 ]
}

main "$@"
