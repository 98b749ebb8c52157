#!/usr/bin/env bash
# Runs the Windows serial test program (first argument) under Wine against the
# Linux virtual board (second argument): the prefix's COM5 leads through
# brantle-ports/com5 (wine-env.sh) to the board's terminal. The program makes
# the board send by writing lines to $BRANTLE_BOARD_DIR/board-in, and asks for
# the unplug by making $BRANTLE_BOARD_DIR/unplug. Exit 77 (skipped) when the
# board is not built.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(readlink -f "$1")
board=$2
if [ ! -x "$board" ]; then
  echo "serial-board: no virtual board at $board; build it in the Linux tree" \
    "(cmake --build build --target virtual-board) or pass -DBRANTLE_VIRTUAL_BOARD=PATH"
  exit 77
fi
source "$here/wine-env.sh"
wine_prefix_ready
wine_server_start 60

source "$here/board-on-com5.sh"
dir=$(mktemp -d)
watch_pid=
cleanup() {
  [ -z "$watch_pid" ] || kill "$watch_pid" 2>/dev/null || true
  board_stop
  wait 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
board_on_com5 "$board" "$dir"

# The unplug: the board is stopped once the program asks.
(
  until [ -e "$dir/unplug" ]; do sleep 0.05; done
  kill -TERM "$board_pid"
) &
watch_pid=$!

status=0
BRANTLE_BOARD_DIR=$dir "$WINE" "$program" </dev/null >"$dir/out.txt" 2>&1 || status=$?
cat "$dir/out.txt"
exit $status
