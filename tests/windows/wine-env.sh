# shellcheck shell=bash
# Wine for the Windows build, sourced by scripts/setup --windows and
# tests/windows/run_smoke.sh (wine and wine64 are Debian's, installed by
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

# Makes the prefix once: about 700 MB, Wine 8 copies its DLLs into it. The
# marker is written only after wineboot finished, so a half-made prefix is
# made again.
wine_prefix_ready() {
  [ -f "$WINEPREFIX/.brantle-complete" ] && return 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # No display needed: wineboot only fills the prefix.
  if ! DISPLAY="" "$WINE" wineboot -i </dev/null >"$WINEPREFIX.log" 2>&1 || ! wineserver -w; then
    cat "$WINEPREFIX.log" >&2
    echo "wine-env: wineboot failed for $WINEPREFIX" >&2
    return 1
  fi
  rm -f "$WINEPREFIX.log"
  touch "$WINEPREFIX/.brantle-complete"
}

# Starts the prefix's wineserver, kept for SECONDS (default 60) after its
# last program ends, so that programs started meanwhile need not wait for
# Wine to come up (0.2 s instead of 2.5). Debian's wineserver wrapper passes
# -p0 first; the later -p wins. A server that runs already is kept as it is
# (wineserver then exits with status 2).
wine_server_start() {
  wineserver -p"${1:-60}" </dev/null >/dev/null 2>&1 || [ $? -eq 2 ]
}
