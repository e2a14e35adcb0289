#!/usr/bin/env bash
# Start-up of the Windows program under Wine, side by side with a bare
# Windows window with the same numbers of fields, keys and labels
# (bench/bare_window_win32.cpp) and the same manifest: both started in turn
# on one virtual display, in one Wine prefix whose server stays up. The time
# is from the start until the window is mapped; reported is the median of the
# ratios of back-to-back pairs, which drifts less than Wine's start times do,
# with the quartiles of those ratios and the medians of the times.
# Usage: bench/startup-windows.sh [PAIRS]   (default 41)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
runs=${1:-41}
build=build/bench-windows

if [ -z "${BENCH_INNER:-}" ]; then
  scripts/install-deps.sh test
  scripts/install-deps.sh bench
  cmake --preset windows -B "$build" -DRECHNER_TESTS=OFF -DRECHNER_WERROR=OFF -DRECHNER_BENCH=ON >/dev/null
  cmake --build "$build" --target rechner bare_window >/dev/null
  gcc -O2 bench/mapwait.c -o "$build/mapwait" -lX11
  BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$runs"
fi

wine_prefix "$PWD/$build/wineprefix"
wineserver -w
wineserver -p   # one server for all runs, as a running Windows has
rechner=$(mktemp); bare=$(mktemp)
trap 'rm -f "$rechner" "$bare"; wineserver -k' EXIT
"$build/mapwait" wine "$build/rechner.exe" >/dev/null 2>&1
"$build/mapwait" wine "$build/bench/bare_window.exe" >/dev/null 2>&1
for _ in $(seq "$runs"); do
  "$build/mapwait" wine "$build/rechner.exe" 2>/dev/null >>"$rechner"
  "$build/mapwait" wine "$build/bench/bare_window.exe" 2>/dev/null >>"$bare"
done
r_ms=$(cut -d' ' -f1 "$rechner" | median); b_ms=$(cut -d' ' -f1 "$bare" | median)
ratios=$(paste -d' ' <(cut -d' ' -f1 "$rechner") <(cut -d' ' -f1 "$bare") | awk '{ printf "%.4f\n", $1 / $2 }' | sort -n)
quartile() { awk -v q="$1" '{ v[NR] = $1 } END { i = int((NR - 1) * q) + 1; print v[i] }' <<<"$ratios"; }
echo "Start-up under Wine, $runs pairs started back to back (window mapped after start):"
awk -v r="$(median <<<"$ratios")" -v lo="$(quartile 0.25)" -v hi="$(quartile 0.75)" -v rm="$r_ms" -v bm="$b_ms" 'BEGIN {
  printf "  rechner.exe / bare Windows window: time %.2f (quartiles %.2f to %.2f; medians %.1f / %.1f ms)\n", r, lo, hi, rm, bm }'
