#!/usr/bin/env bash
# Installs what is missing, then: builds with sanitizers, runs the static
# analysers, fuzzes each fuzz target for 20 s, checks the Release build (its
# command line, its start on X11 and Wayland, its install and its Debian
# package, with lintian), listens to it with the screen reader Orca, and runs
# every test, once in the C locale and once in German; then builds the
# Windows program and runs its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DRECHNER_TESTS=ON -DRECHNER_WERROR=ON -DRECHNER_SANITIZE=ON
cmake --build "$build"

scripts/analyse.sh "$build"
scripts/fuzz.sh 20
scripts/check-release.sh
scripts/check-speech.sh

export QT_QPA_PLATFORM=offscreen
LC_ALL=C.UTF-8 ctest --test-dir "$build" --output-on-failure -j2
LC_ALL=de_DE.UTF-8 ctest --test-dir "$build" --output-on-failure -j2

scripts/test-windows.sh
