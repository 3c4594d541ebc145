#!/usr/bin/env bash
# The program as a desktop user meets it: a level file named on the command line (by a
# name that is no valid text) opens in the editor, which names it in the caption and asks
# before its changes are dropped; F1 opens "Как играть" from both menus; a level set named
# on the command line fills the chooser, and a level solved in it is ticked there, in this
# run and the next.
#   desktop_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
E2E_TOOL=$2

e2e_start_x
E2E_RUN_DIR=$(cd "$run_dir" && pwd)
t=$E2E_TMP
work=$t/work
mkdir -p "$work/levels"
cp "$run_dir/levels/standart.lvp" "$work/levels/"
e2e_level_text "$run_dir/levels/standart.lvp" 1 "$t/standard1.txt"
e2e_compose "$t/standard1.ppm" --text "$t/standard1.txt"

# A level whose file name is cp1251, no valid UTF-8.
e2e_image level --title Mine --robot 2,2 --put '$:3,2' --floor .:4,2 -o "$t/mine.txt"
level=$work/$'\xcc\xee\xe9'.lev
"$E2E_TOOL" pack -o "$level" "$t/mine.txt"
e2e_compose "$t/mine.ppm" --text "$t/mine.txt"

E2E_ARGS=("$level")
e2e_start "$run_dir" "$work"
win=$(e2e_window "Prismcrate - .*lev")
e2e_wait_field "$win" "$t/mine.ppm"
e2e_wait_palette "$win" shown
[ "$(e2e_window_count "$E2E_CHOOSER")" -eq 0 ] || e2e_fail "the chooser opened for a level file"

# "Как играть" from the editor's menu, closed with Escape.
e2e_key "$win" F1
help=$(e2e_window "Как играть")
e2e_shot "$help" "$t/help.png"
e2e_key "$help" Escape
e2e_wait_no_window "Как играть"

# A wall painted: the caption marks the change; "Закрыть редактор" asks first.
e2e_palette_click "$win" 4
e2e_cell_click "$win" 8 8
e2e_image level --title Mine --robot 2,2 --put '$:3,2' --floor .:4,2 --put '#:8,8' \
    -o "$t/walled.txt"
e2e_compose "$t/walled.ppm" --text "$t/walled.txt"
e2e_wait_field "$win" "$t/walled.ppm"
[[ $(xdotool getwindowname "$win") == *'.lev*' ]] ||
    e2e_fail "the caption does not mark the change: $(xdotool getwindowname "$win")"
e2e_menu "$win" 0 5
question=$(e2e_window Prismcrate)
e2e_key "$question" Escape  # "Отмена"
e2e_wait_no_window Prismcrate
sleep 0.3
e2e_wait_palette "$win" shown
e2e_wait_field "$win" "$t/walled.ppm"
# Asked again, "Сохранить": the save dialog, then the editor closes on the standard set.
e2e_menu "$win" 0 5
question=$(e2e_window Prismcrate)
e2e_key "$question" Return
e2e_file_dialog "$E2E_SAVE" "$work/levels/walled.lev"
"$E2E_TOOL" pack -o "$t/walled.lev" "$t/walled.txt"
e2e_wait_bytes "$work/levels/walled.lev" "$t/walled.lev"
e2e_wait_palette "$win" hidden
e2e_wait_field "$win" "$t/standard1.ppm"
[ "$(xdotool getwindowname "$win")" = Prismcrate ] || e2e_fail "caption in the game"

# "Как играть" from the game menu.
e2e_key "$win" F1
help=$(e2e_window "Как играть")
e2e_key "$help" Escape
e2e_wait_no_window "Как играть"
e2e_key "$win" Escape
e2e_wait_exit

# A set named on the command line: its levels in the chooser. Level 1 is solved by one
# push to the right.
e2e_image level --title One --robot 2,2 --put '$:3,2' --floor .:4,2 -o "$t/one.txt"
e2e_image level --title Two --robot 5,5 --put '$:6,5' --floor .:9,5 -o "$t/two.txt"
"$E2E_TOOL" pack -o "$work/two levels.lvp" "$t/one.txt" "$t/two.txt"
e2e_compose "$t/two.ppm" --text "$t/two.txt"
number_width() { # CHOOSER ROW: ink width of the row's number
    local rows left right
    rows=$(e2e_chooser_rows "$1")
    read -r _ left right _ < <(sed -n "$(($2 + 1))p" <<<"$rows")
    [ "$left" != - ] || e2e_fail "chooser row $2 shows no number: $rows"
    echo $((right - left))
}
E2E_ARGS=("$work/two levels.lvp")
e2e_start_game "$run_dir" "$work"
win=$E2E_MAIN
sleep 0.5
plain=$(number_width "$E2E_CHOOSER_ID" 0)
[ "$(e2e_chooser_rows "$E2E_CHOOSER_ID" | grep -vc -- '- - - -$')" -eq 2 ] ||
    e2e_fail "the chooser does not list the set's two levels"
e2e_chooser_pick "$E2E_CHOOSER_ID" 0
e2e_key "$win" Right
e2e_wait_field "$win" "$t/two.ppm"
e2e_key "$win" ctrl+o
chooser=$(e2e_window "$E2E_CHOOSER")
sleep 0.5
ticked=$(number_width "$chooser" 0)
((ticked > plain + 5)) || e2e_fail "no tick beside the solved level ($plain, then $ticked)"
[ "$(number_width "$chooser" 1)" -le $((plain + 2)) ] || e2e_fail "level 2 is ticked"
e2e_chooser_pick "$chooser" 1
e2e_key "$win" Escape
e2e_wait_exit

# The next run remembers it.
e2e_start_game "$run_dir" "$work"
sleep 0.5
[ "$(number_width "$E2E_CHOOSER_ID" 0)" -eq "$ticked" ] || e2e_fail "the tick is forgotten"
e2e_chooser_pick "$E2E_CHOOSER_ID" 1
e2e_key "$E2E_MAIN" Escape
e2e_wait_exit
echo "desktop: level and set on the command line, caption, question, Как играть, ticks; ok"
