#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time
# (seconds, default 20), starting from the committed seed corpus. New inputs
# go to a temporary folder; the committed corpus stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test   # clang, clang-tidy, cppcheck
seconds=${1:-20}
build=build/fuzz

CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRECHNER_FUZZ=ON -DRECHNER_SANITIZE=ON -DRECHNER_WERROR=ON -DRECHNER_WINDOW=OFF >/dev/null
cmake --build "$build"

for target in number_text key_sequence; do
  work=$(mktemp -d)
  log="$build/${target}_fuzzer.log"
  echo "fuzzing ${target} for ${seconds} s"
  if ! "$build/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$build/${target}-" "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzzer ${target} found a failure; the input is in $build/" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units)' "$log"
  rm -rf "$work"
done
