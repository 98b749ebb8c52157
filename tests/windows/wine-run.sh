#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine, in the project's prefix, with
# its arguments: ctest's emulator for the Windows build. Wine is given the
# program's absolute path (Debian's launcher refuses ./prog.exe), and the
# prefix's server is kept running between test programs, so each starts in
# a fraction of a second. The output goes through a file: Wine's service
# processes, started with the first program, keep the output they were given
# as long as the server runs, and ctest would wait for a pipe to close.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
wine_prefix_ready
wine_server_start 60
program=$(readlink -f "$1")
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
"$WINE" "$program" "$@" </dev/null >"$out" 2>&1 || status=$?
cat "$out"
exit $status
