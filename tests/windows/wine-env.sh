# shellcheck shell=bash
# Wine for the Windows build, sourced by scripts/setup --windows and
# the Windows tests (wine and wine64 are Debian's, installed by
# scripts/setup --windows).
#
# A prefix of the project's own in the cache (BRANTLE_WINEPREFIX moves it),
# made once by wine_prefix_ready; Wine's debug output off; no Mono or Gecko
# (Debian 12 packages neither, and wineboot would offer to download them).
# Debian's wine64 package puts its loader at /usr/lib/wine/wine64, off PATH;
# /usr/bin/wine (package wine) runs it when no 32-bit Wine is installed.
#
# Wine's service processes stay as long as the wineserver does and keep the
# standard output they were started with: a program whose output is read
# through a pipe would keep that pipe open after the program ended. So
# wine_server_start starts the server with nothing open, and callers send a
# program's output to a file.
export WINEPREFIX=${BRANTLE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/brantle-config-helper/wine}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=${WINE:-wine}

# The prefix, made once, with its COM port for the board tests.
wine_prefix_ready() {
  grep -qs '^made on a display' "$WINEPREFIX/.brantle-complete" || wine_prefix_make || return 1
  [ -f "$WINEPREFIX/.brantle-ports" ] || wine_ports_ready
}

# COM5 of the prefix leads to brantle-ports/com5, a link that a test points
# at a board's pseudo-terminal before it opens the port
# (tests/windows/serial-board.sh).
# Wine's mountmgr reads HKLM\Software\Wine\Ports when the server starts and
# makes dosdevices/com5 and the SERIALCOMM entry from it; for a server that
# runs already (others' tests may be using it: it is not restarted) both are
# made here too. Its own marker, so that an older prefix gets it as well.
wine_ports_ready() {
  local target="$WINEPREFIX/brantle-ports/com5"
  mkdir -p "$WINEPREFIX/brantle-ports"
  "$WINE" reg add 'HKLM\Software\Wine\Ports' /v COM5 /t REG_SZ /d "$target" /f \
    </dev/null >/dev/null 2>&1 &&
    "$WINE" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\Serial4' /t REG_SZ /d COM5 /f \
      </dev/null >/dev/null 2>&1 &&
    ln -sfn "$target" "$WINEPREFIX/dosdevices/com5" || {
    echo "wine-env: cannot map COM5 in $WINEPREFIX" >&2
    return 1
  }
  touch "$WINEPREFIX/.brantle-ports"
}

# Makes the prefix: about 700 MB, Wine 8 copies its DLLs into it. The marker
# is written only after wineboot finished, so a half-made prefix is made
# again. wineboot runs on a display (a private Xvfb as large as the tests'
# when none is set): a prefix made without one keeps a screen of 1024x768
# for good, and the window would be cut to that.
wine_prefix_make() {
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  local boot=("$WINE" wineboot -i)
  [ -n "${DISPLAY:-}" ] || boot=(xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" "${boot[@]}")
  if ! "${boot[@]}" </dev/null >"$WINEPREFIX.log" 2>&1 || ! wineserver -w; then
    cat "$WINEPREFIX.log" >&2
    echo "wine-env: wineboot failed for $WINEPREFIX" >&2
    return 1
  fi
  rm -f "$WINEPREFIX.log"
  echo "made on a display" >"$WINEPREFIX/.brantle-complete"
}

# Starts the prefix's wineserver, kept for SECONDS (default 60) after its
# last program ends, so that programs started meanwhile need not wait for
# Wine to come up (0.2 s instead of 2.5). Debian's wineserver wrapper passes
# -p0 first; the later -p wins. A server that runs already is kept as it is
# (wineserver then exits with status 2).
wine_server_start() {
  wineserver -p"${1:-60}" </dev/null >/dev/null 2>&1 || [ $? -eq 2 ]
}
