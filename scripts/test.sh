#!/usr/bin/env bash
# Builds the project twice (warnings as errors; and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test in both builds, including the
# end-to-end suite under Xvfb; then runs every fuzz target for 30 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

build_and_test() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

echo "== release build, warnings as errors =="
build_and_test build/ci-release -DCMAKE_BUILD_TYPE=Release -DPRISMCRATE_WERROR=ON

echo "== address and undefined-behaviour sanitizers =="
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build_and_test build/ci-asan -DCMAKE_BUILD_TYPE=Debug -DPRISMCRATE_WERROR=ON -DPRISMCRATE_SANITIZE=ON -DPRISMCRATE_BENCH=OFF

echo "== fuzzing every reader briefly (clang, libFuzzer, sanitizers) =="
bash scripts/fuzz.sh 30
