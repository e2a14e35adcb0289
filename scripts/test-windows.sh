#!/usr/bin/env bash
# Builds rechner.exe and its tests for Windows and runs them under Wine: in a
# Wine prefix of their own (build/windows/wineprefix, made once), on a
# virtual X display of their own with a German keyboard and a window manager
# (without one Wine waits two seconds for every window it hides). Ends every
# process it started.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
scripts/build-windows.sh --tests

build=build/windows
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
xvfb= openbox=
cleanup() {
  wineserver -k 2>/dev/null || true
  for pid in $openbox $xvfb; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
setxkbmap de   # read by Wine's server when it starts: umlauts typed arrive
openbox >/dev/null 2>&1 &
openbox=$!

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: making the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
# As on a German Windows: Wine's own texts in German.
LC_ALL=de_DE.UTF-8 ctest --test-dir "$build" --output-on-failure
