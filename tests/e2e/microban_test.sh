#!/usr/bin/env bash
# The second set shipped beside the standard one: "Открыть" in the chooser opens
# levels/microban.lvp ("Microban" by David W. Skinner, freely distributed provided it
# remains properly credited), whose rows are titled with their numbers; OK starts its
# level 1, and the solver's solution, played with the arrow keys, moves on to level 2.
#   microban_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
E2E_TOOL=$2
set_file=$run_dir/levels/microban.lvp

e2e_start_game "$run_dir"
win=$E2E_MAIN
chooser=$E2E_CHOOSER_ID
e2e_window_shot "$chooser" "$E2E_TMP/standard-list.ppm"

e2e_click "$chooser" 382 18
e2e_file_dialog "$E2E_OPEN" "$set_file"
# Each visible row's title is its number: the same text, as wide in both columns (the
# scan stops short of the scroll bar; row 0 carries the selection and is left out).
for _ in $(seq $((E2E_TIMEOUT * 5))); do
    e2e_window_shot "$chooser" "$E2E_TMP/list.ppm"
    rows=$(e2e_image rows "$E2E_TMP/list.ppm" 9 41 120 255 16 --split 40)
    e2e_image same "$E2E_TMP/list.ppm" "$E2E_TMP/standard-list.ppm" || break
    sleep 0.2
done
for ((r = 1; r < 16; r++)); do
    read -r _ nl nr tl tr < <(sed -n "$((r + 1))p" <<<"$rows")
    [ "$nl" != - ] && [ "$tl" != - ] && [ $((nr - nl)) -eq $((tr - tl)) ] ||
        e2e_fail "chooser row $r is not titled with its number: $rows"
done

e2e_click "$chooser" 383 316
e2e_wait_no_window "$E2E_CHOOSER"
e2e_level_text "$set_file" 1 "$E2E_TMP/level1.txt"
e2e_compose "$E2E_TMP/level1.ppm" --text "$E2E_TMP/level1.txt"
e2e_wait_field "$win" "$E2E_TMP/level1.ppm"

solution=$("$E2E_TOOL" solve "$set_file" --level 1 | awk '$1 == "solution:" { print $2 }')
[ -n "$solution" ] || e2e_fail "the solver finds no solution of Microban 1"
e2e_play "$win" "$solution"
e2e_level_text "$set_file" 2 "$E2E_TMP/level2.txt"
e2e_compose "$E2E_TMP/level2.ppm" --text "$E2E_TMP/level2.txt"
e2e_wait_field "$win" "$E2E_TMP/level2.ppm"

e2e_key "$win" Escape
e2e_wait_exit 10 || e2e_fail "the program ended with an error"
echo "Microban: opened from the chooser, rows titled with their numbers, level 1 solved; ok"
