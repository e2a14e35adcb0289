#!/usr/bin/env bash
# Installs what is missing, then: builds with sanitizers and runs every unit
# and window test, once in the C locale and once in German; runs the static
# analysers, fuzzes each fuzz target for 20 s, checks the Release build (its
# command line, its start on X11 and Wayland, its install and its Debian
# package, with lintian), builds the release twice and compares the bytes,
# listens to it with the screen reader Orca; then builds the Windows program
# and runs its tests under Wine (where the Debian release has Wine).
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test

# The "dev" preset of CMakePresets.json: Debug, tests, sanitizers, -Werror.
cmake --preset dev
cmake --build --preset dev

# The unit and window tests first, so that they fail first and fast.
LC_ALL=C.UTF-8 ctest --preset dev
LC_ALL=de_DE.UTF-8 ctest --preset dev

scripts/analyse.sh build/dev
scripts/fuzz.sh 20
scripts/check-release.sh
scripts/check-reproducible.sh
scripts/check-speech.sh
scripts/test-windows.sh
