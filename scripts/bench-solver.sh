#!/usr/bin/env bash
# The push solver over the Sokoban collections in assets/sokoban: Microban (the 152 of its
# 155 levels that fit the 20 by 20 field; "Microban" by David W. Skinner, revised April
# 2000, freely distributed provided it remains properly credited) and the first file of
# the Boxoban hard levels (Apache License 2.0). One table row per level (status, processor
# time, moves, pushes, positions stored, peak memory), then the summary: levels solved,
# proved optimal, median and slowest time.
#
#   scripts/bench-solver.sh [SECONDS_PER_LEVEL] [BENCHMARK_FLAGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
build=build/bench-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPRISMCRATE_TESTS=OFF >/dev/null
cmake --build "$build" --target bench_push_solver >/dev/null
for file in microban.xsb boxoban-hard-000.txt; do
    echo "== $file =="
    "$build/bench/bench_push_solver" --file "assets/sokoban/$file" --seconds "$seconds" \
        --benchmark_counters_tabular=true "$@" 2>/dev/null
    echo
done
