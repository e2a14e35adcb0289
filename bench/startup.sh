#!/usr/bin/env bash
# Start-up benchmark: time from process start until the window is mapped,
# and resident memory then, for rechner and for xcalc, on a virtual display.
# Usage: bench/startup.sh [RUNS]   (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
build=build/release

if [ -z "${BENCH_INNER:-}" ]; then
  need=()
  for p in xvfb xauth x11-apps libx11-dev gcc; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
  done
  if [ ${#need[@]} -gt 0 ]; then
    sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
  fi
  scripts/install-deps.sh run
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" >/dev/null
  gcc -O2 -o "$build/mapwait" bench/mapwait.c -lX11
  # A fresh virtual display with no window manager, the same for both programs.
  BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$runs"
fi

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Prints "name ms MB" with the medians over the runs.
measure() {
  local name=$1; shift
  local out; out=$(mktemp)
  "$build/mapwait" "$@" >/dev/null 2>&1   # warm-up: fills the file cache
  for _ in $(seq "$runs"); do "$build/mapwait" "$@" 2>/dev/null >>"$out"; done
  echo "$name $(cut -d' ' -f1 "$out" | median) $(cut -d' ' -f2 "$out" | median | awk '{ printf "%.1f", $1 / 1024 }')"
  rm -f "$out"
}

r=$(measure rechner "$build/window/rechner")
x=$(measure xcalc xcalc)
echo "Medians of $runs runs (window mapped after start; resident memory then):"
for line in "$r" "$x"; do
  set -- $line
  printf '  %-8s %8.1f ms %8s MB\n' "$1" "$2" "$3"
done
set -- $r; rms=$2
set -- $x; xms=$2
awk -v r="$rms" -v x="$xms" 'BEGIN { printf "  ratio rechner/xcalc: %.2f\n", r / x }'
