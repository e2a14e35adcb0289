#!/usr/bin/env bash
# Benchmarks on a virtual X display, each side by side with a reference that
# moves with the machine, reported as ratios:
# - start-up: time from process start until the window is mapped, and the
#   resident memory then, for rechner and for a bare Qt window with the same
#   numbers of fields, keys and labels (bench/bare_window.cpp), started in
#   turn;
# - the error box: time from the click on "sqrt" until the box is shown, with
#   1 000 000 characters in Variable 1 against a short text.
# Usage: bench/startup.sh [RUNS]   (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
runs=${1:-15}
build=build/bench

if [ -z "${BENCH_INNER:-}" ]; then
  scripts/install-deps.sh bench
  cmake --preset release -B "$build" -DRECHNER_BENCH=ON >/dev/null
  cmake --build "$build" >/dev/null
  # A fresh virtual display with no window manager, the same for all.
  BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$runs"
fi

rechner=$(mktemp); bare=$(mktemp)
trap 'rm -f "$rechner" "$bare"' EXIT
# Warm-up fills the file cache; then the two programs start in turn.
"$build/bench/mapwait" "$build/rechner" >/dev/null 2>&1
"$build/bench/mapwait" "$build/bench/bare_window" >/dev/null 2>&1
for _ in $(seq "$runs"); do
  "$build/bench/mapwait" "$build/rechner" 2>/dev/null >>"$rechner"
  "$build/bench/mapwait" "$build/bench/bare_window" 2>/dev/null >>"$bare"
done
r_ms=$(cut -d' ' -f1 "$rechner" | median); b_ms=$(cut -d' ' -f1 "$bare" | median)
r_kb=$(cut -d' ' -f2 "$rechner" | median); b_kb=$(cut -d' ' -f2 "$bare" | median)
echo "Start-up, medians of $runs runs each, in turn (window mapped after start; resident memory then):"
awk -v rm="$r_ms" -v bm="$b_ms" -v rk="$r_kb" -v bk="$b_kb" 'BEGIN {
  printf "  rechner / bare Qt window: time %.2f (%.1f / %.1f ms), memory %.2f (%.1f / %.1f MB)\n",
         rm / bm, rm, bm, rk / bk, rk / 1024, bk / 1024 }'
"$build/bench/errorbox" "$runs"
