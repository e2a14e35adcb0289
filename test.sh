#!/usr/bin/env bash
# Installs what is missing, then: builds with sanitizers and runs every unit
# and window test, once in the C locale and once in German; runs the static
# analysers, fuzzes each fuzz target for 20 s, checks the Release build (its
# command line, its start on X11 and Wayland, its install and its Debian
# package, with lintian), listens to it with the screen reader Orca; then
# builds the Windows program and runs its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DRECHNER_TESTS=ON -DRECHNER_WERROR=ON -DRECHNER_SANITIZE=ON
cmake --build "$build"

# The unit and window tests first, so that they fail first and fast.
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 ctest --test-dir "$build" --output-on-failure -j2
QT_QPA_PLATFORM=offscreen LC_ALL=de_DE.UTF-8 ctest --test-dir "$build" --output-on-failure -j2

scripts/analyse.sh "$build"
scripts/fuzz.sh 20
scripts/check-release.sh
scripts/check-speech.sh
scripts/test-windows.sh
