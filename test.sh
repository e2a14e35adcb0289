#!/usr/bin/env bash
# Installs what is missing, builds with sanitizers and runs every test,
# once in the C locale and once in German.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DRECHNER_TESTS=ON -DRECHNER_WERROR=ON -DRECHNER_SANITIZE=ON
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
LC_ALL=C.UTF-8 ctest --test-dir "$build" --output-on-failure -j2
LC_ALL=de_DE.UTF-8 ctest --test-dir "$build" --output-on-failure -j2
