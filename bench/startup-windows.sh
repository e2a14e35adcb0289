#!/usr/bin/env bash
# Start-up of the Windows program under Wine, side by side with a bare
# Windows window with the same numbers of fields, keys and labels
# (bench/bare_window_win32.cpp): both started in turn on one virtual display,
# in one Wine prefix whose server stays up; reported as the ratio of the
# medians of the time from the start until the window is mapped.
# Usage: bench/startup-windows.sh [RUNS]   (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
build=build/bench-windows

if [ -z "${BENCH_INNER:-}" ]; then
  scripts/install-deps.sh test
  scripts/install-deps.sh bench
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DRECHNER_BENCH=ON >/dev/null
  cmake --build "$build" --target rechner bare_window >/dev/null
  gcc -O2 bench/mapwait.c -o "$build/mapwait" -lX11
  BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$runs"
fi

export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p   # one server for all runs, as a running Windows has
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
rechner=$(mktemp); bare=$(mktemp)
trap 'rm -f "$rechner" "$bare"; wineserver -k' EXIT
"$build/mapwait" wine "$build/rechner.exe" >/dev/null 2>&1
"$build/mapwait" wine "$build/bench/bare_window.exe" >/dev/null 2>&1
for _ in $(seq "$runs"); do
  "$build/mapwait" wine "$build/rechner.exe" 2>/dev/null >>"$rechner"
  "$build/mapwait" wine "$build/bench/bare_window.exe" 2>/dev/null >>"$bare"
done
r_ms=$(cut -d' ' -f1 "$rechner" | median); b_ms=$(cut -d' ' -f1 "$bare" | median)
echo "Start-up under Wine, medians of $runs runs each, in turn (window mapped after start):"
awk -v rm="$r_ms" -v bm="$b_ms" 'BEGIN {
  printf "  rechner.exe / bare Windows window: time %.2f (%.1f / %.1f ms)\n", rm / bm, rm, bm }'
