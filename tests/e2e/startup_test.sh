#!/usr/bin/env bash
# Start-up with the standard set: the plain title field behind the chooser, which lists
# every level of the set and cannot be dismissed; OK starts level 1; solving it plays on
# into level 2; Ctrl+O picks other levels, also of another set opened in the chooser; the
# level caption follows; Escape ends.
#   startup_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
E2E_TOOL=$2
sources=$3/assets/levels
set_file=$run_dir/levels/standart.lvp

e2e_start_game "$run_dir"
win=$E2E_MAIN
chooser=$E2E_CHOOSER_ID

# Title mode: every cell plain floor, no robot; the chooser covers part of the field.
e2e_image level --robot 0,0 -o "$E2E_TMP/plain.txt"
e2e_compose "$E2E_TMP/plain.ppm" --text "$E2E_TMP/plain.txt" --no-robot
e2e_wait_field "$win" "$E2E_TMP/plain.ppm" --ignore-rect "$(e2e_rect_on_field "$win" "$chooser")"

# The list: one row per level of the set, numbered; more than 16 rows scroll.
count=$("$E2E_TOOL" list "$set_file" | wc -l)
[ "$count" -ge 10 ] || e2e_fail "the standard set has only $count levels"
visible=$((count < 16 ? count : 16))
rows=$(e2e_chooser_rows "$chooser")
for ((r = 0; r < 16; r++)); do
    read -r _ nl nr tl tr < <(sed -n "$((r + 1))p" <<<"$rows" | awk '{print $1, $2, $3, $4, $5}')
    if ((r < visible)); then
        [ "$nl" != - ] && [ "$tl" != - ] || e2e_fail "chooser row $r is empty: $rows"
    else
        [ "$nl" = - ] && [ "$tl" = - ] || e2e_fail "chooser row $r shows text: $rows"
    fi
done
# Row 10 is numbered with two digits, row 9 with one.
width() { sed -n "$(($1 + 1))p" <<<"$rows" | awk '{print $3 - $2}'; }
[ "$(width 9)" -gt "$(width 8)" ] || e2e_fail "row numbers do not grow to two digits: $rows"

# The chooser cannot be left without a level: Escape and the close request do nothing.
e2e_key "$chooser" Escape
e2e_wm_close "$chooser"
sleep 0.5
[ "$(e2e_window_count "$E2E_CHOOSER")" -eq 1 ] || e2e_fail "the chooser closed without a level"

# OK without choosing a row starts level 1.
e2e_click "$chooser" 383 316
e2e_wait_no_window "$E2E_CHOOSER"
e2e_level_text "$set_file" 1 "$E2E_TMP/level1.txt"
e2e_compose "$E2E_TMP/level1.ppm" --text "$E2E_TMP/level1.txt"
e2e_wait_field "$win" "$E2E_TMP/level1.ppm"
e2e_caption_shot "$win" "$E2E_TMP/caption1.ppm"
[ "$(e2e_image ink "$E2E_TMP/caption1.ppm" 3 3 91 19)" -gt 0 ] || e2e_fail "no level caption"

# Solving level 1 plays on into level 2, and the caption changes.
e2e_play "$win" "$(e2e_solution "$sources" 1)"
e2e_level_text "$set_file" 2 "$E2E_TMP/level2.txt"
e2e_compose "$E2E_TMP/level2.ppm" --text "$E2E_TMP/level2.txt"
e2e_wait_field "$win" "$E2E_TMP/level2.ppm"
e2e_caption_shot "$win" "$E2E_TMP/caption2.ppm"
e2e_image same "$E2E_TMP/caption1.ppm" "$E2E_TMP/caption2.ppm" &&
    e2e_fail "the caption did not change with the level"

# Ctrl+O: the chooser again; picking row 3 loads level 3.
e2e_key "$win" ctrl+o
chooser=$(e2e_window "$E2E_CHOOSER")
e2e_chooser_pick "$chooser" 2
e2e_level_text "$set_file" 3 "$E2E_TMP/level3.txt"
e2e_compose "$E2E_TMP/level3.ppm" --text "$E2E_TMP/level3.txt"
e2e_wait_field "$win" "$E2E_TMP/level3.ppm"
e2e_caption_shot "$win" "$E2E_TMP/caption3.ppm"
for n in 1 2; do
    e2e_image same "$E2E_TMP/caption$n.ppm" "$E2E_TMP/caption3.ppm" &&
        e2e_fail "level 3 has the caption of level $n"
done

# Picking level 2 in the chooser shows the caption that winning level 1 showed.
e2e_key "$win" ctrl+o
chooser=$(e2e_window "$E2E_CHOOSER")
e2e_chooser_pick "$chooser" 1
e2e_wait_field "$win" "$E2E_TMP/level2.ppm"
e2e_wait_caption "$win" "$E2E_TMP/caption2.ppm"

# "Открыть" in the chooser lists another set; its second level gets the caption of the
# standard set's second level.
e2e_image level --title "Другой набор" --robot 2,2 --put '$:4,4' --floor .:5,4 -o "$E2E_TMP/o1.txt"
e2e_image level --robot 9,9 --put '#:3-12,12' --put '$:6,10' --floor .:6,11 -o "$E2E_TMP/o2.txt"
"$E2E_TOOL" pack -o "$E2E_TMP/other.lvp" "$E2E_TMP/o1.txt" "$E2E_TMP/o2.txt"
e2e_key "$win" ctrl+o
chooser=$(e2e_window "$E2E_CHOOSER")
e2e_click "$chooser" 382 18
e2e_file_dialog "$E2E_OPEN" "$E2E_TMP/other.lvp"
for _ in $(seq $((E2E_TIMEOUT * 5))); do
    rows=$(e2e_chooser_rows "$chooser")
    [ "$(grep -vc -- '- - - -$' <<<"$rows")" -eq 2 ] && break
    sleep 0.2
done
[ "$(grep -vc -- '- - - -$' <<<"$rows")" -eq 2 ] || e2e_fail "the other set is not listed: $rows"
e2e_chooser_pick "$chooser" 1
e2e_compose "$E2E_TMP/o2.ppm" --text "$E2E_TMP/o2.txt"
e2e_wait_field "$win" "$E2E_TMP/o2.ppm"
e2e_wait_caption "$win" "$E2E_TMP/caption2.ppm"

# Escape ends the program.
e2e_key "$win" Escape
e2e_wait_exit 10 || e2e_fail "the program ended with an error"
echo "start-up: title field, chooser with $count levels, levels 1 to 3 shown; ok"
