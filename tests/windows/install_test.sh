#!/usr/bin/env bash
# Installs the Windows installer under Wine and checks what a user gets:
#   - the program in "C:\Program Files\BRANTLE Config Helper", with
#     LICENSE.txt and an uninstaller, printing the project's version;
#   - given the Linux virtual board: the installed program started as a
#     shortcut would start it (--port COM5 --log C:\talk.log) opens COM5,
#     which leads to the board, and its log shows the board's detect answer,
#     an event, the unplug; closed, it ends with status 0;
#   - its "Apps & features" entry (publisher, version, icon, uninstaller);
#   - the Start-menu entry "BRANTLE Config Helper";
#   - the uninstaller taking all of it away again.
#
#   tests/windows/install_test.sh SETUP.exe VERSION [BOARD]
#
# SCREENSHOT=FILE also keeps a picture of the window talking to the board.
#
# Run by ctest in the Windows build (after cpack made the installer; skipped,
# status 77, while it is missing). Uses the project's Wine prefix, whose
# server may be shared with other tests: it is started, never stopped.
set -euo pipefail
[ $# -eq 2 ] || [ $# -eq 3 ] || { echo "usage: $0 SETUP.exe VERSION [BOARD]" >&2; exit 2; }
setup=$1
version=$2
board=${3:-}
[ -f "$setup" ] || { echo "SKIP: no $setup (cd BUILD && cpack -G NSIS64 makes it)"; exit 77; }
setup=$(readlink -f "$setup")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
wine_prefix_ready
wine_server_start 60

work=$(mktemp -d)
program_pid=""
source "$here/board-on-com5.sh"
finish() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  board_stop
  rm -rf "$work"
}
trap finish EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# A Windows path as seen from here.
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# Waits up to $2 seconds for the test $1 to hold.
wait_for() {
  local deadline=$((SECONDS + $2))
  until eval "$1"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

dir=$(unix_path 'C:\Program Files\BRANTLE Config Helper')
exe="$dir/brantle-config-helper.exe"
uninstaller="$dir/uninstall.exe"
uninstall_keys='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# An earlier run that failed half-way is cleaned up first.
[ ! -f "$uninstaller" ] || "$WINE" "$uninstaller" /S </dev/null >"$work/old.log" 2>&1 || true
wait_for '[ ! -e "$exe" ]' 60 || { echo "an earlier install could not be removed" >&2; exit 1; }

"$WINE" "$setup" /S </dev/null >"$work/install.log" 2>&1 || fail "the installer failed: $(cat "$work/install.log")"
# The silent installer ends when it is done; its file system work is seen at once.
wait_for '[ -f "$exe" ] && [ -f "$uninstaller" ]' 60 ||
  fail "no program and uninstaller in $dir: $(ls "$dir" 2>&1)"
[ -f "$dir/LICENSE.txt" ] || fail "no LICENSE.txt beside the program"

if [ -f "$exe" ]; then
  "$WINE" "$exe" --version </dev/null >"$work/version.txt" 2>&1 || fail "--version failed"
  [ "$(tr -d '\r' <"$work/version.txt")" = "$version" ] ||
    fail "--version printed '$(cat "$work/version.txt")', not $version"
fi

# The window of the program, cut from the screen, in $SCREENSHOT.
screenshot() {
  local window geometry place
  window=$(xwininfo -root -tree | grep -F '"BRANTLE Config Helper ' | head -n 1 || true)
  [ -n "$window" ] || { fail "no window to take a picture of"; return; }
  geometry=$(echo "$window" | awk '{ print $(NF - 1) }' | sed 's/+.*//')
  place=$(echo "$window" | awk '{ print $NF }')
  import -window root -crop "$geometry$place" +repage "$SCREENSHOT"
  echo "install_test: the window ($geometry) in $SCREENSHOT"
}

talk_to_board() {
  local log_name='C:\talk.log' log
  log=$(unix_path "$log_name")
  rm -f "$log"
  board_on_com5 "$board" "$work" || { fail "the board did not start"; return; }
  "$WINE" "$exe" --port COM5 --log "$log_name" </dev/null >"$work/program.out" 2>&1 &
  program_pid=$!
  wait_for 'grep -qs "Port COM5 opened at 115200" "$log"' 60 || fail "COM5 was not opened"
  wait_for 'grep -qs "Device detect response: {F01}" "$log"' 30 || fail "no detect answer"
  echo 0123 >"$work/board-in"
  wait_for 'grep -qs "{0123}  291" "$log"' 30 || fail "the board's event {0123} is not in the log"
  [ -z "${SCREENSHOT:-}" ] || { sleep 1; screenshot; }
  board_stop
  wait_for 'grep -qs "Port COM5: board unplugged" "$log"' 30 || fail "the unplug is not in the log"
  # Closing the window (taskkill without /f asks it to close, as its close
  # box does) ends the program normally.
  "$WINE" taskkill /im brantle-config-helper.exe </dev/null >/dev/null 2>&1 || true
  wait_for '! kill -0 "$program_pid" 2>/dev/null' 30 || fail "the program did not end when closed"
  local status=0
  wait "$program_pid" || status=$?
  program_pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status: $(cat "$work/program.out")"
  # The port opened is remembered in the user's part of the registry.
  "$WINE" reg query 'HKCU\Software\BrantleConfigHelper' /v SerialPort </dev/null 2>/dev/null |
    tr -d '\r' | grep -q 'SerialPort.*COM5' || fail "SerialPort=COM5 is not in HKCU\Software\BrantleConfigHelper"
  [ $failures -eq 0 ] || { echo "--- the log:" >&2; tr -d '\r' <"$log" >&2 || true; }
}
if [ -n "$board" ] && [ ! -x "$board" ]; then
  echo "install_test: no virtual board at $board (build the Linux tree): the program is not tried on COM5"
elif [ -n "$board" ] && [ -f "$exe" ]; then
  talk_to_board
fi

"$WINE" reg query "$uninstall_keys" /s </dev/null >"$work/uninstall.txt" 2>&1 || true
tr -d '\r' <"$work/uninstall.txt" >"$work/entries.txt"
entry=$(awk -v RS= '/DisplayName[^\n]*BRANTLE Config Helper/' "$work/entries.txt")
if [ -z "$entry" ]; then
  fail "no \"Apps & features\" entry named BRANTLE Config Helper"
else
  for value in "Publisher.*The BRANTLE Config Helper developers" "DisplayVersion.*$version" \
               "DisplayIcon.*brantle-config-helper.exe" "UninstallString.*uninstall.exe"; do
    grep -qE "$value" <<<"$entry" || fail "the \"Apps & features\" entry has no $value: $entry"
  done
fi

start_menu=$(unix_path 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
[ -f "$start_menu/BRANTLE Config Helper/BRANTLE Config Helper.lnk" ] ||
  fail "no Start-menu entry: $(find "$start_menu" -iname '*BRANTLE*' 2>&1)"

# The uninstaller copies itself away and returns at once; what it removes
# is awaited.
"$WINE" "$uninstaller" /S </dev/null >"$work/uninstall.log" 2>&1 || fail "the uninstaller failed"
wait_for '[ ! -e "$dir" ]' 60 || fail "the uninstaller left $dir: $(ls "$dir" 2>&1)"
wait_for '[ ! -e "$start_menu/BRANTLE Config Helper" ]' 30 || fail "the uninstaller left the Start-menu entry"
"$WINE" reg query "$uninstall_keys" /s </dev/null 2>/dev/null | tr -d '\r' |
  grep -q "BRANTLE Config Helper" && fail "the uninstaller left the \"Apps & features\" entry"

[ $failures -eq 0 ] || { echo "install_test: $failures failed" >&2; exit 1; }
echo "install_test: installed, ran $version and uninstalled"
