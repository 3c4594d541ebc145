#!/usr/bin/env bash
# The editor as an author uses it: the empty field and the palette, choosing tools,
# painting with a left-button stroke, erasing with the right button, a title that is too
# long, saving (bytes checked), a test run and the way back, a won test run, a new level,
# a level set built from two saved levels, opening a level file, closing the editor.
#   editor_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
E2E_TOOL=$2

e2e_start_x
# The program works in its own folder: file dialogs start in ./levels, and the start-up
# needs ./levels/standart.lvp there.
work=$E2E_TMP/work
mkdir -p "$work/levels"
cp "$run_dir/levels/standart.lvp" "$work/levels/"
t=$E2E_TMP

e2e_start_game "$run_dir" "$work"
win=$E2E_MAIN
e2e_click "$E2E_CHOOSER_ID" 383 316
e2e_wait_no_window "$E2E_CHOOSER"
e2e_level_text "$run_dir/levels/standart.lvp" 1 "$t/level1.txt"
e2e_compose "$t/level1.ppm" --text "$t/level1.txt"
e2e_wait_field "$win" "$t/level1.ppm"
e2e_caption_shot "$win" "$t/caption1.ppm"

# "&Редактор": an empty field with the robot in the top-left cell, the palette with the
# robot tool outlined, no level caption.
e2e_wait_palette "$win" hidden
e2e_menu "$win" 1
e2e_image level --robot 0,0 -o "$t/empty.txt"
e2e_compose "$t/empty.ppm" --text "$t/empty.txt"
e2e_wait_field "$win" "$t/empty.ppm"
e2e_wait_palette_tool "$win" 0
e2e_wait_caption "$win" empty

# Palette clicks select tools; a click on a grid line between cells selects nothing.
e2e_palette_click "$win" 4
e2e_wait_palette_tool "$win" 4
read -r px py < <(e2e_palette_origin "$win")
e2e_click "$win" $((px + 26)) $((py + 40))
sleep 0.3
e2e_wait_palette_tool "$win" 4

# A left-button stroke paints walls along row 3; the right button erases one of them.
e2e_cell_drag "$win" 2 3 8 3
e2e_image level --robot 0,0 --put '#:2-8,3' -o "$t/stroke.txt"
e2e_compose "$t/stroke.ppm" --text "$t/stroke.txt"
e2e_wait_field "$win" "$t/stroke.ppm"
e2e_cell_click "$win" 4 3 3
# Crates, a target under one of them, another target, an emitter, and the robot moved.
e2e_palette_click "$win" 5
e2e_cell_click "$win" 5 6
e2e_cell_click "$win" 12 8
e2e_palette_click "$win" 2
e2e_cell_click "$win" 12 8
e2e_cell_click "$win" 7 6
e2e_palette_click "$win" 15
e2e_cell_click "$win" 10 1
e2e_palette_click "$win" 0
e2e_cell_click "$win" 3 6
edited() { # OUT [more level arguments]
    local out=$1
    shift
    e2e_image level --robot 3,6 --put '#:2-3,3' --put '#:5-8,3' --put '$:5,6' --put '$:12,8' \
        --floor .:12,8 --floor .:7,6 --put v:10,1 -o "$out" "$@"
}
edited "$t/edited.txt"
e2e_compose "$t/edited.ppm" --text "$t/edited.txt"
e2e_wait_field "$win" "$t/edited.ppm"
e2e_wait_palette_tool "$win" 0

# "Изменить название": 31 characters are refused with the error box, 30 are taken.
title31=Level-abcdefghijklmnopqrstuvwxy
[ ${#title31} -eq 31 ]
e2e_menu "$win" 1 2
dialog=$(e2e_window "Введите название уровня")
e2e_type "$dialog" "$title31"
e2e_key "$dialog" Return
error=$(e2e_window Error)
e2e_key "$error" Return
e2e_wait_no_window Error
[ "$(e2e_window_count "Введите название уровня")" -eq 1 ] ||
    e2e_fail "the title dialog closed with a 31-character title"
e2e_key "$dialog" BackSpace Return
e2e_wait_no_window "Введите название уровня"

# "Сохранить...": the file holds exactly what the level tool packs for this level.
e2e_key "$win" ctrl+s
e2e_file_dialog "$E2E_SAVE" "$work/levels/one.lev"
edited "$t/one.txt" --title "${title31:0:30}"
"$E2E_TOOL" pack -o "$t/one-expected.lev" "$t/one.txt"
e2e_wait_bytes "$work/levels/one.lev" "$t/one-expected.lev"
[ "$(head -c 5 "$work/levels/one.lev" | od -An -tx1 | tr -d ' \n')" = 4bb101001e ] ||
    e2e_fail "one.lev does not start with the magic and the title length 30"

# "Запустить": the level is played; "&Редактор" brings it back as it was.
e2e_wait_palette "$win" shown
e2e_menu "$win" 1 1
e2e_wait_palette "$win" hidden
e2e_wait_field "$win" "$t/edited.ppm"
e2e_key "$win" Right
e2e_compose "$t/run-right.ppm" --text "$t/edited.txt" --robot 4,6,3,0
e2e_wait_field "$win" "$t/run-right.ppm"
e2e_menu "$win" 1
e2e_wait_field "$win" "$t/edited.ppm"
e2e_wait_palette_tool "$win" 0
# A won test run comes back to the editor with the level as it was before the run.
e2e_menu "$win" 1 1
e2e_wait_field "$win" "$t/edited.ppm"
e2e_play "$win" RRR
e2e_wait_palette "$win" shown
e2e_wait_field "$win" "$t/edited.ppm"
e2e_wait_palette_tool "$win" 0

# "Создать" and "Сохранить...": the untitled empty level is 19 bytes.
e2e_key "$win" ctrl+n
e2e_wait_field "$win" "$t/empty.ppm"
e2e_key "$win" ctrl+s
e2e_file_dialog "$E2E_SAVE" "$work/levels/two.lev"
printf '\x4b\xb1\x01\x00\x00\xfe\xfd\x00\xfe\x91\x00\xfe\xfd\x00\xfe\x91\x00\x00\x00' \
    >"$t/two-expected.lev"
e2e_wait_bytes "$work/levels/two.lev" "$t/two-expected.lev"

# "Создать набор уровней": two files added, the set is both, each followed by 0xFF.
e2e_menu "$win" 0 4
builder=$(e2e_window "Создание набора уровней")
e2e_click "$builder" 373 19
e2e_file_dialog "$E2E_OPEN" "$work/levels/one.lev"
e2e_click "$builder" 373 19
e2e_file_dialog "$E2E_OPEN" "$work/levels/two.lev"
e2e_click "$builder" 373 48
e2e_file_dialog "$E2E_SAVE" "$work/levels/set.lvp"
{ cat "$t/one-expected.lev"; printf '\xff'; cat "$t/two-expected.lev"; printf '\xff'; } \
    >"$t/set-expected.lvp"
e2e_wait_bytes "$work/levels/set.lvp" "$t/set-expected.lvp"
e2e_wm_close "$builder"
e2e_wait_no_window "Создание набора уровней"

# "Открыть...": the saved level comes back onto the field.
e2e_key "$win" ctrl+o
e2e_file_dialog "$E2E_OPEN" "$work/levels/one.lev"
e2e_wait_field "$win" "$t/edited.ppm"

# "Закрыть редактор": the level of the set in play before, with its caption.
e2e_menu "$win" 0 5
e2e_wait_field "$win" "$t/level1.ppm"
e2e_wait_caption "$win" "$t/caption1.ppm"
e2e_wait_palette "$win" hidden

e2e_key "$win" Escape
e2e_wait_exit 10 || e2e_fail "the program ended with an error"
echo "editor: palette, painting, title check, save, test runs, new level, set, open; ok"
