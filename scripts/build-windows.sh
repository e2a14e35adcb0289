#!/usr/bin/env bash
# Cross-compiles Rechner for 64-bit Windows with Debian's mingw-w64 into
# build/windows/: rechner.exe, linked statically so that it needs only
# Windows' own DLLs. With --tests also the test programs, which
# scripts/test-windows.sh runs under Wine.
# Usage: scripts/build-windows.sh [--tests]
set -euo pipefail
cd "$(dirname "$0")/.."

tests=OFF
case "${1:-}" in
  "") scripts/install-deps.sh windows ;;
  --tests) tests=ON ;;   # test-windows.sh has installed what the tests need
  *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
esac

build=build/windows
cmake --preset windows -DRECHNER_TESTS=$tests >/dev/null
cmake --build --preset windows
echo "build-windows: $build/rechner.exe"
