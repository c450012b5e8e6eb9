#!/usr/bin/env bash
# End-to-end checks of the Windows program under Wine, on a private Xvfb with
# openbox and a fresh WINEPREFIX: the portable zip unpacked into a folder with
# a Cyrillic name, the real tainoteka.exe driven with xdotool and checked from
# outside (titles, xclip, files through the Linux txtp, options.ini), txtp.exe
# against the Linux txtp both ways, and the installer's silent install and
# uninstall.
#
#   wine.sh WINDOWS_BUILD_DIR LINUX_TXTP [SCENARIO...]
#
# Uses DISPLAY and WINEPREFIX when E2E_WINE_SESSION=1 says they are set up
# (scripts/test-windows.sh does that); otherwise starts its own.
set -uo pipefail

readonly BUILD=$(cd "${1:?usage: wine.sh WINDOWS_BUILD_DIR LINUX_TXTP [SCENARIO...]}" && pwd)
readonly LINUX_TXTP=$(readlink -f "${2:?usage: wine.sh WINDOWS_BUILD_DIR LINUX_TXTP}")
shift 2
readonly HERE=$(dirname "$(readlink -f "$0")")
readonly ROOT=$(cd "$HERE/../.." && pwd)
readonly SDK=${TAINOTEKA_WINSDK_DIR:-$BUILD/sdk}/qt6-mingw
readonly ALL_SCENARIOS=(txtp_both_ways open_from_command_line save_new_document clipboard_guard installer)
readonly UNTITLED="Безымянный - Тайнотека"
export LC_ALL=C.UTF-8 WINEDEBUG=-all
# No Mono or Gecko: their install prompts would wait for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEQT_QPA_PLATFORM

log() { printf '[%(%T)T] %s\n' -1 "$*" >&2; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
wine_run() { "$SDK/bin/wine-run" "$@"; }

FAILED=()
fail() { log "FAIL: $*"; import -window root "$ART/failure-$SCENARIO.png" 2>/dev/null; return 1; }

# ------------------------------------------------------------ the session

start_session() {
  local n
  for n in $(seq 200 260); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -noreset -screen 0 1280x1024x24 -nolisten tcp >"$ART/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 50); do
      kill -0 "$XVFB_PID" 2>/dev/null || break
      xdpyinfo -display ":$n" >/dev/null 2>&1 && { export DISPLAY=":$n"; break 2; }
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=
  done
  [ -n "${XVFB_PID:-}" ] || { log "could not start Xvfb"; return 1; }
  export WINEPREFIX=$WORK/wineprefix
  rm -rf "$WINEPREFIX"
  log "X server $DISPLAY, WINEPREFIX $WINEPREFIX"
}

start_wm() {
  mkdir -p "$WORK/wm-home"
  HOME="$WORK/wm-home" XDG_CONFIG_HOME="$WORK/wm-home/.config" openbox >"$ART/openbox.log" 2>&1 &
  WM_PID=$!
  sleep 1
}

cleanup() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null
  [ -n "${OWN_SESSION:-}" ] && wineserver -k 2>/dev/null
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
}

# ------------------------------------------------------------ helpers

windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
main_title() {
  local id
  id=$(windows_named ' - Тайнотека$' | head -n1)
  [ -n "$id" ] && xdotool getwindowname "$id"
}
wait_window() { # REGEX SECONDS -> id
  local deadline=$(( $(now_ms) + $2 * 1000 )) id
  while [ "$(now_ms)" -lt "$deadline" ]; do
    id=$(windows_named "$1" | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
wait_main_title() { # EXACT SECONDS
  local deadline=$(( $(now_ms) + $2 * 1000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    [ "$(main_title)" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
focus() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; sleep 0.3; }
keys() { xdotool key --delay 100 "$@"; }
type_text() { xdotool type --delay 60 -- "$1"; }
wait_exit() { # PID SECONDS
  local deadline=$(( $(now_ms) + $2 * 1000 ))
  while kill -0 "$1" 2>/dev/null && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.1; done
  ! kill -0 "$1" 2>/dev/null
}

fresh_program() { # a portable copy, as a user unzips it
  rm -rf "$WORK/Программы" "$WORK/Документы" "$WORK/docs"
  mkdir -p "$WORK/Программы" "$WORK/Документы" "$WORK/docs"
  unzip -q "$ZIP" -d "$WORK/Программы"
  PROG=$(echo "$WORK/Программы"/Tainoteka-*-win64)
}

start_app() {
  (cd "$WORK/Документы" && exec "$SDK/bin/wine-run" "$PROG/tainoteka.exe" "$@") >"$ART/app-$SCENARIO.log" 2>&1 &
  APP_PID=$!
}

# Alt+F4, then "Нет" (second button) at the save question: the program ends
# by itself and writes options.ini.
close_with_no() {
  local id
  id=$(windows_named ' - Тайнотека$' | head -n1)
  focus "$id"
  keys alt+F4
  wait_window '^Тайнотека$' 15 >/dev/null || { fail "no close question after Alt+F4"; return 1; }
  keys Tab space
  wait_exit "$APP_PID" 20 || { fail "the program did not end after No"; return 1; }
  APP_PID=
}

linux_encrypt() { E2E_PASS="$3" "$LINUX_TXTP" encrypt -i "$1" -o "$2" --pass env:E2E_PASS; }
linux_decrypt() { E2E_PASS="$2" "$LINUX_TXTP" decrypt "$1" --pass env:E2E_PASS; }

# ------------------------------------------------------------ scenarios

# options.ini beside the exe names the opened document's folder (Cyrillic)
# in Windows-1251, every line ending in CR LF.
expect_ini_beside_exe() {
  local ini="$PROG/options.ini"
  [ -f "$ini" ] || { fail "no options.ini beside tainoteka.exe"; return 1; }
  cp "$ini" "$ART/options.ini"
  local lines crlf
  lines=$(wc -l <"$ini")
  crlf=$(grep -c $'\r$' "$ini")
  [ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ] || { fail "options.ini lines do not all end in CR LF ($crlf of $lines)"; return 1; }
  iconv -f cp1251 -t utf-8 "$ini" | grep -q 'Документы' ||
    { fail "options.ini does not hold the folder name in Windows-1251"; return 1; }
  log "options.ini beside the exe: Windows-1251, CR LF"
}


# Files written by txtp.exe open with the Linux txtp, and the reverse.
scenario_txtp_both_ways() {
  local dir=$WORK/txtp pass="Ключ 7 ё"
  mkdir -p "$dir"
  printf 'Привет из Linux\nвторая строка\n' >"$dir/from-linux.txt"
  linux_encrypt "$dir/from-linux.txt" "$dir/from-linux.txtp" "$pass" || { fail "Linux txtp encrypt"; return 1; }
  E2E_PASS="$pass" wine_run "$PROG/txtp.exe" decrypt "$(winpath "$dir/from-linux.txtp")" \
    -o "$(winpath "$dir/from-linux.out")" --pass env:E2E_PASS >"$ART/txtp-decrypt.log" 2>&1 ||
    { fail "txtp.exe could not open the Linux file ($(cat "$ART/txtp-decrypt.log"))"; return 1; }
  [ "$(cat "$dir/from-linux.out")" = $'Привет из Linux\r\nвторая строка\r' ] ||
    { fail "txtp.exe decrypted '$(cat "$dir/from-linux.out")'"; return 1; }

  printf 'Привет из Windows\r\n' >"$dir/from-windows.txt"
  E2E_PASS="$pass" wine_run "$PROG/txtp.exe" encrypt -i "$(winpath "$dir/from-windows.txt")" \
    -o "$(winpath "$dir/from-windows.txtp")" --pass env:E2E_PASS >"$ART/txtp-encrypt.log" 2>&1 ||
    { fail "txtp.exe encrypt ($(cat "$ART/txtp-encrypt.log"))"; return 1; }
  [ "$(linux_decrypt "$dir/from-windows.txtp" "$pass")" = $'Привет из Windows\r' ] ||
    { fail "the Linux txtp cannot open what txtp.exe wrote"; return 1; }
  linux_decrypt "$dir/from-windows.txtp" "wrong" >/dev/null 2>&1 && { fail "opens with a wrong password"; return 1; }
  log "txtp.exe and the Linux txtp read each other's files"
}

# A .TXTP named on the command line asks for its password, then is shown.
scenario_open_from_command_line() {
  local doc="$WORK/Документы/Letter.TXTP" pass="secret42" id
  printf 'First line\nвторая\n' >"$WORK/letter.txt"
  linux_encrypt "$WORK/letter.txt" "$doc" "$pass" || { fail "txtp encrypt"; return 1; }
  start_app "$(winpath "$doc")"
  id=$(wait_window '^Доступ к файлу$' 90) || { fail "no password dialog for the file on the command line"; return 1; }
  focus "$id"
  sleep 1
  type_text "$pass"
  keys Return
  wait_main_title "Letter.TXTP - Тайнотека" 20 || { fail "title after the password is '$(main_title)'"; return 1; }
  import -window root "$ART/opened.png" 2>/dev/null
  log "Letter.TXTP opened after its password"
  close_with_no || return 1
  expect_ini_beside_exe
}

# Typed text saved through the password and save dialogs opens with the
# Linux txtp.
scenario_save_new_document() {
  local pass="key42x" doc="$WORK/docs/Note.txtp" id deadline
  start_app
  id=$(wait_window "^$UNTITLED\$" 90) || { fail "no untitled main window"; return 1; }
  focus "$id"
  type_text "Hello from Wine 42"
  keys ctrl+s
  id=$(wait_window '^Смена пароля$' 20) || { fail "Ctrl+S showed no password dialog"; return 1; }
  focus "$id"
  sleep 1
  keys Tab
  type_text "$pass"
  keys Tab
  type_text "$pass"
  keys Return
  # Wine's save dialog shows no title: wait for the password dialog to go,
  # then for the dialog's file name field to take the keys.
  deadline=$(( $(now_ms) + 20000 ))
  while [ -n "$(windows_named '^Смена пароля$')" ] && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.1; done
  sleep 3
  type_text "$(winpath "$doc")"
  keys Return
  wait_main_title "Note.txtp - Тайнотека" 20 || { fail "title after saving is '$(main_title)'"; return 1; }
  close_with_no || return 1
  [ "$(linux_decrypt "$doc" "$pass")" = $'Hello from Wine 42\r' ] || { fail "the saved file does not hold the typed text"; return 1; }
  log "typed document saved under Wine opens with the Linux txtp"

}

# Clipboard switch stored as off: text an X program copies is emptied at
# once; the program stays idle meanwhile.
scenario_clipboard_guard() {
  printf '[CLIPBOARD]\r\nClipboardChecked=0\r\n' >"$PROG/options.ini"
  start_app
  wait_window "^$UNTITLED\$" 90 >/dev/null || { fail "no untitled main window"; return 1; }
  sleep 3
  local pid ticks0 ticks1 hz cpu
  pid=$(pgrep -n -f 'tainoteka\.exe') || { fail "no tainoteka.exe process"; return 1; }
  hz=$(getconf CLK_TCK)
  ticks0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep 10
  ticks1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  cpu=$(awk -v a="$ticks0" -v b="$ticks1" -v hz="$hz" 'BEGIN { printf "%.2f", (b - a) * 100 / hz / 10 }')
  log "FIGURE idle CPU with the clipboard switch off: $cpu % of one core (10 s)"
  awk -v c="$cpu" 'BEGIN { exit !(c < 5) }' || { fail "the guard keeps the program busy ($cpu %)"; return 1; }

  printf 'copied elsewhere' | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
  local holder=$!
  wait_exit "$holder" 3 || { kill "$holder" 2>/dev/null; fail "text copied with xclip was not emptied"; return 1; }
  [ -z "$(xclip -selection clipboard -o 2>/dev/null)" ] || { fail "the clipboard still holds text"; return 1; }

  if [ -x "$WORK/selection_clear_probe" ]; then
    "$WORK/selection_clear_probe" -s CLIPBOARD -n 20 -t 2000 -g 200 >"$ART/clear-probe.txt" 2>&1
    log "FIGURE clipboard emptied after another program copies: $(tail -n1 "$ART/clear-probe.txt")"
    grep -q 'timeouts=0' "$ART/clear-probe.txt" || { fail "some copies were not emptied within 2 s"; return 1; }
  fi
  close_with_no
}

# Silent install and uninstall: files, Start menu and file type come and go;
# settings the user left in the folder stay.
scenario_installer() {
  local setup dir="$WINEPREFIX/drive_c/Program Files/Тайнотека" out=$ART/reg.txt
  local lnk="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Тайнотека.lnk"
  setup=$(echo "$BUILD"/dist/Tainoteka-*-setup.exe)
  wine_run "$setup" /S >"$ART/setup.log" 2>&1 || { fail "setup.exe /S failed"; return 1; }
  wineserver -w
  for f in tainoteka.exe txtp.exe help.html Qt6Widgets.dll platforms/qwindows.dll translations/qtbase_ru.qm uninstall.exe; do
    [ -f "$dir/$f" ] || { fail "not installed: $f"; return 1; }
  done
  [ -f "$lnk" ] || { fail "no Start-menu entry"; return 1; }
  wine_run reg query 'HKCR\.txtp' /ve >"$out" 2>&1
  grep -q 'Tainoteka.Document' "$out" || { fail ".txtp is not our file type: $(cat "$out")"; return 1; }
  wine_run reg query 'HKCR\Tainoteka.Document\shell\open\command' /ve >"$out" 2>&1
  grep -q 'tainoteka.exe" "%1"' "$out" || { fail "no open command for .txtp: $(cat "$out")"; return 1; }
  wine_run reg query 'HKCR\Tainoteka.Document\DefaultIcon' /ve >"$out" 2>&1
  grep -q 'tainoteka.exe,1' "$out" || { fail "no icon for .txtp: $(cat "$out")"; return 1; }
  log "installed: files, Start-menu entry, .txtp file type"

  printf '[CLIPBOARD]\r\nClipboardChecked=0\r\n' >"$dir/options.ini"
  wine_run "$dir/uninstall.exe" /S >"$ART/uninstall.log" 2>&1 || { fail "uninstall.exe /S failed"; return 1; }
  wineserver -w
  [ ! -e "$dir/tainoteka.exe" ] && [ ! -e "$dir/platforms" ] && [ ! -e "$dir/uninstall.exe" ] ||
    { fail "uninstalling left program files: $(ls "$dir")"; return 1; }
  [ "$(ls "$dir")" = options.ini ] || { fail "uninstalling removed the settings or left more: $(ls "$dir")"; return 1; }
  [ ! -e "$lnk" ] || { fail "the Start-menu entry stayed"; return 1; }
  wine_run reg query 'HKCR\.txtp' /ve >"$out" 2>&1 && { fail ".txtp file type stayed"; return 1; }
  wine_run reg query 'HKCR\Tainoteka.Document' >"$out" 2>&1 && { fail "the document class stayed"; return 1; }
  log "uninstalled: all gone but the user's settings"
}

# ------------------------------------------------------------ main

WORK=$BUILD/e2e-wine
ART=$WORK/artifacts
rm -rf "$WORK"
mkdir -p "$ART"
ZIP=$(echo "$BUILD"/dist/Tainoteka-*-win64.zip)
[ -f "$ZIP" ] || { log "no portable zip in $BUILD/dist"; exit 1; }
trap cleanup EXIT
if [ "${E2E_WINE_SESSION:-}" != 1 ]; then
  OWN_SESSION=1
  start_session || exit 1
fi
start_wm
cc -O2 -o "$WORK/selection_clear_probe" "$ROOT/bench/SelectionClearProbe.c" -lX11 2>"$ART/probe-build.log" ||
  log "selection_clear_probe not built: no clearing figures"

scenarios=("$@")
[ ${#scenarios[@]} -eq 0 ] && scenarios=("${ALL_SCENARIOS[@]}")
for SCENARIO in "${scenarios[@]}"; do
  log "=== $SCENARIO"
  fresh_program
  APP_PID=
  if "scenario_$SCENARIO"; then
    log "--- $SCENARIO passed"
  else
    FAILED+=("$SCENARIO")
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    APP_PID=
  fi
done
if [ ${#FAILED[@]} -gt 0 ]; then
  log "failed: ${FAILED[*]} (artifacts in $ART)"
  exit 1
fi
log "all ${#scenarios[@]} Wine scenarios passed"
