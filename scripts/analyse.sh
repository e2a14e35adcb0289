#!/usr/bin/env bash
# Static analysis of our own sources with clang-tidy and cppcheck; fails on
# any finding. Uses the compile commands of the build folder given (default
# build/dev, the "dev" preset's), so the window code is read with Qt's headers.
# cppcheck reads no Qt headers: the Qt macros it needs are in cppcheck-qt.h.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test   # clang, clang-tidy, cppcheck
build=${1:-build/dev}

# Our own sources, from the tree itself (a source tarball has no .git); the
# Windows window is left out, as this build reads no Windows headers.
sources=$(find runtime engine conversion window -path window/win32 -prune -o -name '*.cpp' -print | LC_ALL=C sort)

echo "clang-tidy: $(echo "$sources" | wc -w) files"
echo "$sources" | xargs -P 2 -n 2 clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option 2>/dev/null

echo "cppcheck"
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ \
  --enable=warning,performance,portability,style --inline-suppr \
  --suppress=missingIncludeSystem --suppress=unusedFunction --suppress=useStlAlgorithm \
  --suppress='*:*/usr/include/*' --suppress=normalCheckLevelMaxBranches \
  --include=scripts/cppcheck-qt.h -I . $sources
