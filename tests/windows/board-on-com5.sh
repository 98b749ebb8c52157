# shellcheck shell=bash
# The Linux virtual board behind the Wine prefix's COM5, sourced by the
# Windows tests after wine-env.sh: COM5 leads through brantle-ports/com5
# (wine_ports_ready) to the board's terminal.
#
#   board_on_com5 BOARD DIR   starts BOARD; lines written to DIR/board-in are
#                             what it sends; sets board_pid
#   board_stop                ends it (the board is unplugged)
#
# One board at a time behind COM5: another run sharing the prefix waits.
board_pid=""

board_on_com5() {  # board program, folder of the run
  local board=$1 dir=$2 link=$WINEPREFIX/brantle-ports/com5 deadline
  exec 4>"$WINEPREFIX/brantle-ports/com5.lock"
  flock -w 300 4
  # The board reads a FIFO that it also holds for writing, so the test may
  # open and close it as often as it likes.
  [ -p "$dir/board-in" ] || mkfifo "$dir/board-in"
  exec 3<>"$dir/board-in"
  rm -f "$link"
  # Wine's server opens the terminal as a controlling terminal would be
  # taken: the board takes it first.
  "$board" --link "$link" --own-terminal <&3 >"$dir/board.out" 2>&1 &
  board_pid=$!
  exec 3>&-
  deadline=$((SECONDS + 30))
  until [ -L "$link" ] && [ "$(readlink "$link")" = "$(head -n1 "$dir/board.out")" ]; do
    if ! kill -0 "$board_pid" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
      echo "board-on-com5: the board did not start" >&2
      cat "$dir/board.out" >&2
      return 1
    fi
    sleep 0.05
  done
}

board_stop() {
  [ -z "$board_pid" ] || { kill -TERM "$board_pid" 2>/dev/null || true; wait "$board_pid" 2>/dev/null || true; }
  board_pid=""
}
