#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer, under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each of them for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      default: 30 seconds each, every target
#
# Targets: level_record level_set level_text bitmap wave. Environment:
#   FUZZ_BUILD_DIR  build folder (default build/fuzz-clang)
#   FUZZ_JOBS       targets run at once (default: the number of cores)
#   FUZZ_RSS_MB     memory limit of one run in MB (default 2048)
#   FUZZ_TIMEOUT    seconds one input may take before it counts as a hang (default 10)
#
# The seed corpora in fuzz/corpus/<target>/ are only read. What a run learns is kept in
# $FUZZ_BUILD_DIR/corpus/<target>/, where later runs go on from. A crash, hang, leak,
# oversized allocation or broken invariant is saved in $FUZZ_BUILD_DIR/findings/<target>/
# and makes the script exit with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(level_record level_set level_text xsb bitmap wave)
dir=${FUZZ_BUILD_DIR:-build/fuzz-clang}
jobs=${FUZZ_JOBS:-$(nproc)}
rss=${FUZZ_RSS_MB:-2048}
timeout=${FUZZ_TIMEOUT:-10}

case "$seconds" in
    '' | *[!0-9]*) echo "usage: $0 [SECONDS] [TARGET...]" >&2; exit 2 ;;
esac

# Largest input the fuzzer makes for each target: a few times the largest sensible file.
max_len() {
    case "$1" in
        level_record) echo 4096 ;;
        level_set | level_text) echo 16384 ;;
        *) echo 32768 ;;
    esac
}

echo "== building the fuzz targets (clang, libFuzzer, ASan, UBSan) in $dir =="
if [ ! -f "$dir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPRISMCRATE_FUZZ=ON -DPRISMCRATE_TESTS=OFF -DPRISMCRATE_BENCH=OFF >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_one() {
    local name=$1
    local work="$dir/corpus/$name" findings="$dir/findings/$name" log="$dir/logs/$name.log"
    mkdir -p "$work" "$findings" "$dir/logs"
    local dict=()
    [ -f "fuzz/dict/$name.dict" ] && dict=("-dict=fuzz/dict/$name.dict")
    local status=0
    "$dir/fuzz/fuzz_$name" "$work" "fuzz/corpus/$name" "${dict[@]}" \
        -max_total_time="$seconds" -rss_limit_mb="$rss" -malloc_limit_mb=512 \
        -timeout="$timeout" -max_len="$(max_len "$name")" -print_final_stats=1 \
        -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
    echo "$status" >"$dir/logs/$name.status"
}

echo "== fuzzing ${targets[*]} for ${seconds} s each, $jobs at a time =="
running=0
for name in "${targets[@]}"; do
    run_one "$name" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

failed=0
for name in "${targets[@]}"; do
    log="$dir/logs/$name.log"
    status=$(cat "$dir/logs/$name.status")
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
    execs=$(grep -E '^stat::number_of_executed_units:' "$log" | awk '{print $2}' || true)
    speed=$(grep -E '^stat::average_exec_per_sec:' "$log" | awk '{print $2}' || true)
    rss_mb=$(grep -E '^stat::peak_rss_mb:' "$log" | awk '{print $2}' || true)
    if [ "$status" -eq 0 ]; then
        echo "fuzz_$name: ok, ${execs:-?} runs (${speed:-?}/s, peak ${rss_mb:-?} MB); ${done_line#*DONE }"
    else
        failed=1
        echo "fuzz_$name: FINDING (exit $status); log $log, input(s) in $dir/findings/$name/"
        grep -E 'ERROR|invariant broken|unexpected exception|runtime error|Test unit written' \
            "$log" | head -5 | sed 's/^/    /'
        echo "    reproduce: $dir/fuzz/fuzz_$name FILE   (or any build's fuzz_$name FILE)"
    fi
done
exit "$failed"
