#!/usr/bin/env bash
# Installs what is missing, builds a Release build and starts the calculator.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh run

build=build/release
cmake --preset release >/dev/null
cmake --build --preset release

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # Installing xvfb needs root: say how, as this user can do it.
  if [ "$(id -u)" -eq 0 ]; then
    install="apt-get install xvfb"
  elif command -v sudo >/dev/null 2>&1; then
    install="sudo apt-get install xvfb"
  else
    install="su -c 'apt-get install xvfb'"
  fi
  cat >&2 <<EOT
Rechner ist gebaut ($build/rechner), kann aber kein Fenster zeigen: es gibt
keine grafische Anzeige (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt). Starten Sie
es auf einem Desktop, oder auf einer virtuellen Anzeige mit
"$install" und danach "xvfb-run -a $build/rechner".
EOT
  exit 1
fi
exec "$build/rechner"
