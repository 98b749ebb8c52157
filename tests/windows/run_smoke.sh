#!/usr/bin/env bash
# Runs the Windows smoke program (tests/windows/smoke) under Wine on a private
# Xvfb and checks that its window opened:
#   - the .exe imports only DLLs Windows ships (check_imports.sh);
#   - the program's own checks pass: it exits 0 after printing its "ok" line
#     (window visible, notebook, grid painted, worker thread, registry);
#   - X has a window of its title, and a screenshot of that window holds
#     more than a blank area.
#
#   tests/windows/run_smoke.sh [PROGRAM.exe]
#
# Without an argument it first builds the smoke program with the cross tool
# chain in ${BUILD_DIR:-build-msw-smoke}, against the toolkit scripts/setup
# --windows built (run that first; wxWidgets_ROOT=DIR takes another one).
# The screenshot is kept as ${SCREENSHOT:-/tmp/brantle-msw-smoke.png}.
set -euo pipefail
cd "$(dirname "$0")/../.."
TITLE="BRANTLE msw smoke"
HOLD_MS=${HOLD_MS:-1500}  # how long the window stays up after its checks
shot=${SCREENSHOT:-/tmp/brantle-msw-smoke.png}
took() { awk -v n="$1" -v a="$2" -v b="$(date +%s.%N)" 'BEGIN { printf "run_smoke: %-7s %5.1f s\n", n, b - a }'; }

if [ $# -gt 1 ]; then
  echo "usage: $0 [PROGRAM.exe]" >&2
  exit 2
elif [ $# -eq 1 ]; then
  exe=$1
else
  wx_root=${wxWidgets_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/brantle-config-helper/msw-current}
  if [ ! -f "$wx_root/.brantle-complete" ]; then
    echo "run_smoke: no finished toolkit in $wx_root: run scripts/setup --windows first" >&2
    exit 1
  fi
  build=${BUILD_DIR:-build-msw-smoke}
  t0=$(date +%s.%N)
  cmake -S tests/windows/smoke -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DwxWidgets_ROOT="$wx_root" >/dev/null
  cmake --build "$build" -j 2 >/dev/null
  took build "$t0"
  exe=$build/msw-smoke.exe
fi
[ -f "$exe" ] || { echo "run_smoke: no $exe" >&2; exit 1; }
exe=$(readlink -f "$exe")  # Wine is given the full path
tests/windows/check_imports.sh "$exe"

source tests/windows/wine-env.sh
t0=$(date +%s.%N)
wine_prefix_ready
took prefix "$t0"

# Always a private X server, whatever the caller's shell has.
unset DISPLAY BRANTLE_TEST_ENV
source scripts/xvfb-env
work=$(mktemp -d)
wine_pid=""
finish() {
  if [ -n "$wine_pid" ]; then kill "$wine_pid" 2>/dev/null || true; wait "$wine_pid" 2>/dev/null || true; fi
  xvfb_stop
  rm -rf "$work"
}
trap finish EXIT

wine_server_start 60
t0=$(date +%s.%N)
timeout 120 "$WINE" "$exe" --hold "$HOLD_MS" >"$work/out" 2>&1 &
wine_pid=$!
# The program prints its line once its checks ran; the window stays up for
# HOLD_MS more.
for _ in $(seq 600); do
  grep -q '^msw-smoke: ' "$work/out" && break
  kill -0 "$wine_pid" 2>/dev/null || break
  sleep 0.1
done
failed=()
window=$(xwininfo -root -tree | grep -F "\"$TITLE\"" | head -n 1 || true)
if [ -z "$window" ]; then
  failed+=("no X window titled \"$TITLE\"")
else
  # "0x... "TITLE": ("class" "class")  WxH+X+Y  +X+Y": the size and the place on the screen
  geometry=$(echo "$window" | awk '{ print $(NF - 1) }' | sed 's/+.*//')
  place=$(echo "$window" | awk '{ print $NF }')
  import -window root -crop "$geometry$place" +repage "$shot"
  colours=$(convert "$shot" -format %k info:)
  [ "$colours" -ge 16 ] || failed+=("the window's picture has $colours colours: not drawn")
  echo "run_smoke: window $geometry at $place, $colours colours, screenshot $shot"
fi
status=0
wait "$wine_pid" || status=$?
wine_pid=""
took run "$t0"
cat "$work/out"
[ "$status" -eq 0 ] || failed+=("the program exited with status $status")
grep -q '^msw-smoke: ok: ' "$work/out" || failed+=("no ok line from the program")
if [ ${#failed[@]} -gt 0 ]; then
  printf 'run_smoke: FAILED: %s\n' "${failed[@]}" >&2
  exit 1
fi
echo "run_smoke: passed"
