#!/usr/bin/env bash
# The solver in the window: "Подсказка" pressed again and again solves level 1 and the game
# goes on to level 2; a push into a dead end raises the warning beside the field and Ctrl+Z
# takes it away; in the editor "Проверить решаемость" reports an unsolvable level as such,
# plays the solution of a solvable one into the test run's win and back into the editor,
# and a long search cancelled leaves the editor usable at once; leaving the program while a
# search runs ends it.
#   solver_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
E2E_TOOL=$2

e2e_start_x
work=$E2E_TMP/work
mkdir -p "$work/levels"
cp "$run_dir/levels/standart.lvp" "$work/levels/"
t=$E2E_TMP
CHECK="Проверка решаемости"

# An open field with rocks: its search runs for tens of seconds, into the check's limits.
{
    echo "Title: Поле"
    echo "Objects:"
    for y in $(seq 0 19); do
        row=""
        for x in $(seq 0 19); do
            c=-
            case "$x,$y" in
                10,10) c=@ ;;
                4,4 | 15,15 | 4,15 | 15,4) c=\$ ;;
            esac
            if [ "$c" = - ] && [ "$x" -ge 2 ] && [ "$x" -le 17 ] && [ "$y" -ge 2 ] &&
                [ "$y" -le 17 ] && [ $(((x * 7 + y * 3) % 11)) -eq 0 ]; then c=r; fi
            row+=$c
        done
        echo "$row"
    done
    echo "Floor:"
    for y in $(seq 0 19); do
        case "$y" in
            1 | 18) echo "-.----------------.-" ;;
            *) echo "--------------------" ;;
        esac
    done
} >"$t/field.txt"
"$E2E_TOOL" pack -o "$work/levels/field.lev" "$t/field.txt"

e2e_start_game "$run_dir" "$work"
win=$E2E_MAIN
e2e_click "$E2E_CHOOSER_ID" 383 316
e2e_wait_no_window "$E2E_CHOOSER"
e2e_level_text "$run_dir/levels/standart.lvp" 1 "$t/level1.txt"
e2e_level_text "$run_dir/levels/standart.lvp" 2 "$t/level2.txt"
e2e_compose "$t/level1.ppm" --text "$t/level1.txt"
e2e_compose "$t/level2.ppm" --text "$t/level2.txt"
e2e_wait_field "$win" "$t/level1.ppm"
e2e_caption_shot "$win" "$t/caption1.ppm"

# The label below the level caption: client (494, 42), 97 by 160.
notice_ink() {
    local h
    read -r _ _ _ h < <(e2e_geometry "$1")
    e2e_window_shot "$1" "$t/panel.ppm"
    e2e_image ink "$t/panel.ppm" 494 $((h - 484 + 42)) 97 160
}
wait_notice() { # WINDOW shown|hidden
    local ink=0
    for _ in $(seq $((E2E_TIMEOUT * 5))); do
        ink=$(notice_ink "$1")
        if [ "$2" = shown ] && [ "$ink" -gt 0 ]; then return 0; fi
        if [ "$2" = hidden ] && [ "$ink" -eq 0 ]; then return 0; fi
        sleep 0.2
    done
    e2e_fail "the notice beside the field is not $2"
}

# "Подсказка" (Ctrl+H), again and again. Level 1's one shortest solution is RRR: a step,
# then two pushes of the crate onto its target; the third hint wins, and level 2 follows.
replay1() { # MOVES OUT.txt
    local status=0
    "$E2E_TOOL" replay "$run_dir/levels/standart.lvp" --level 1 "$1" >"$2" || status=$?
    [ "$status" -eq 3 ] || e2e_fail "level 1 after $1: status $status"
}
replay1 R "$t/hint1.txt"
replay1 RR "$t/hint2.txt"
e2e_compose "$t/hint1.ppm" --text "$t/hint1.txt" --robot 8,9,3,0
e2e_compose "$t/hint2.ppm" --text "$t/hint2.txt" --robot 9,9,3,1
e2e_key "$win" ctrl+h
e2e_wait_field "$win" "$t/hint1.ppm"
e2e_shot "$win" "$t/hint.png"
e2e_key "$win" ctrl+h
e2e_wait_field "$win" "$t/hint2.ppm"
e2e_caption_shot "$win" "$t/caption-now.ppm"
e2e_image same "$t/caption1.ppm" "$t/caption-now.ppm" || e2e_fail "level 1 ended after two hints"
e2e_key "$win" ctrl+h
e2e_wait_field "$win" "$t/level2.ppm"
wait_notice "$win" hidden

# Level 2: the left crate pushed down against the wall can never reach a target.
e2e_key "$win" Right Up Right Down
wait_notice "$win" shown
e2e_shot "$win" "$t/warning.png"
e2e_key "$win" ctrl+z
wait_notice "$win" hidden

# The check window (no frame under Xvfb): the headline at (8, 8), "Показать решение" at
# (8, 94), 130 by 23, the running bar of the search at (8, 96), 240 by 18, "Отмена" and
# "Закрыть" at (257, 94), 75 by 23.
headline_width() {
    e2e_window_shot "$1" "$t/check.ppm"
    e2e_image words "$t/check.ppm" 8 8 324 18 100 | awk '{print $2 - $1}'
}
ink_at() { # DIALOG X Y W H
    e2e_window_shot "$1" "$t/check.ppm"
    e2e_image ink "$t/check.ppm" "$2" "$3" "$4" "$5"
}
play_button_ink() { ink_at "$1" 8 94 130 23; }
# "searching" while the running bar shows (only it reaches right of the play button's
# place), "answered" once a headline stands above no bar, "none" before the window is drawn.
check_state() {
    e2e_window_shot "$1" "$t/check.ppm"
    if [ "$(e2e_image ink "$t/check.ppm" 150 96 90 18)" -gt 0 ]; then
        echo searching
    elif [ "$(e2e_image ink "$t/check.ppm" 8 8 324 18)" -gt 0 ]; then
        echo answered
    else
        echo none
    fi
}
wait_check() { # DIALOG searching|answered
    local seen=0
    for _ in $(seq $((E2E_TIMEOUT * 5))); do
        if [ "$(check_state "$1")" = "$2" ]; then
            # Twice in a row: a window still being drawn passes for neither.
            seen=$((seen + 1))
            [ "$seen" -lt 2 ] || return 0
        else
            seen=0
        fi
        sleep 0.2
    done
    e2e_fail "the check window is not $2"
}

# The editor: a crate in the corner is never going to reach its target.
e2e_menu "$win" 1
e2e_wait_palette "$win" shown
e2e_palette_click "$win" 0
e2e_cell_click "$win" 3 3
e2e_palette_click "$win" 5
e2e_cell_click "$win" 0 0
e2e_palette_click "$win" 2
e2e_cell_click "$win" 5 5
e2e_key "$win" ctrl+r
check=$(e2e_window "$CHECK")
wait_check "$check" answered
e2e_shot "$check" "$t/check-unsolvable.png"
[ "$(play_button_ink "$check")" -eq 0 ] || e2e_fail "an unsolvable level offers a solution"
unsolvable=$(headline_width "$check")
e2e_click "$check" 294 105
e2e_wait_no_window "$CHECK"
# Saved, so that "Создать" has no changes to ask about.
e2e_key "$win" ctrl+s
e2e_file_dialog "$E2E_SAVE" "$work/levels/corner.lev"

# A solvable one: the answer is the shorter "Уровень решаем." with the solution to play.
e2e_key "$win" ctrl+n
e2e_palette_click "$win" 0
e2e_cell_click "$win" 2 5
e2e_palette_click "$win" 5
e2e_cell_click "$win" 4 5
e2e_palette_click "$win" 2
e2e_cell_click "$win" 7 5
e2e_image level --robot 2,5 --put '$:4,5' --floor .:7,5 -o "$t/solvable.txt"
e2e_compose "$t/solvable.ppm" --text "$t/solvable.txt"
e2e_wait_field "$win" "$t/solvable.ppm"
e2e_key "$win" ctrl+r
check=$(e2e_window "$CHECK")
wait_check "$check" answered
solvable=$(headline_width "$check")
[ "$solvable" -lt "$unsolvable" ] ||
    e2e_fail "\"Уровень решаем.\" is not shorter than \"Уровень нерешаем.\""
[ "$(play_button_ink "$check")" -gt 0 ] || e2e_fail "no \"Показать решение\""
e2e_shot "$check" "$t/check-solved.png"
# "Показать решение": a test run (no palette) in which the solution plays to the win, which
# brings the editor back with the level as it was.
e2e_click "$check" 73 105
e2e_wait_no_window "$CHECK"
e2e_wait_palette "$win" hidden
e2e_wait_palette "$win" shown
e2e_wait_field "$win" "$t/solvable.ppm"

# A long search, cancelled: the editor paints at once, and the search's thread ends.
e2e_key "$win" ctrl+s
e2e_file_dialog "$E2E_SAVE" "$work/levels/solvable.lev"
e2e_key "$win" ctrl+o
e2e_file_dialog "$E2E_OPEN" "$work/levels/field.lev"
e2e_compose "$t/field.ppm" --text "$t/field.txt"
e2e_wait_field "$win" "$t/field.ppm"
# The program's threads now.
threads_now() { awk '/^Threads:/ {print $2}' "/proc/$E2E_APP_PID/status"; }
e2e_key "$win" ctrl+r
check=$(e2e_window "$CHECK")
wait_check "$check" searching
# The count of positions below the headline goes up while the search runs.
progress_shot() {
    e2e_window_shot "$check" "$t/check.ppm"
    convert "$t/check.ppm" -crop 324x16+8+40 +repage "ppm:$1"
}
progress_shot "$t/progress-0.ppm"
for _ in $(seq $((E2E_TIMEOUT * 5))); do
    progress_shot "$t/progress-now.ppm"
    cmp -s "$t/progress-0.ppm" "$t/progress-now.ppm" || break
    sleep 0.2
done
cmp -s "$t/progress-0.ppm" "$t/progress-now.ppm" && e2e_fail "the check shows no progress"
e2e_shot "$check" "$t/check-searching.png"
threads=$(threads_now)
[ "$(check_state "$check")" = searching ] || e2e_fail "the search of the open field is over already"
e2e_click "$check" 294 105
began=$(date +%s%N)
e2e_wait_no_window "$CHECK"
e2e_palette_click "$win" 4
e2e_cell_click "$win" 0 19
"$E2E_PYTHON" - "$t/field.txt" "$t/field-wall.txt" <<'EOF'
import sys
lines = open(sys.argv[1], encoding="utf-8").read().split("\n")
row = 2 + 19  # "Title:", "Objects:", then row 19
lines[row] = "#" + lines[row][1:]
open(sys.argv[2], "w", encoding="utf-8").write("\n".join(lines))
EOF
e2e_compose "$t/field-wall.ppm" --text "$t/field-wall.txt"
e2e_wait_field "$win" "$t/field-wall.ppm"
took=$((($(date +%s%N) - began) / 1000000))
# Long before the 30 s the search had left: the editor did not wait for it.
[ "$took" -lt 10000 ] || e2e_fail "the editor answered $took ms after the cancel"
# The search's thread ends: the program has fewer threads than while it searched.
for _ in $(seq $((E2E_TIMEOUT * 5))); do
    [ "$(threads_now)" -lt "$threads" ] && break
    sleep 0.2
done
[ "$(threads_now)" -lt "$threads" ] ||
    e2e_fail "the cancelled search goes on"

# "Выход" while a search runs: the program ends.
e2e_key "$win" ctrl+s
e2e_file_dialog "$E2E_SAVE" "$work/levels/field-wall.lev"
e2e_key "$win" ctrl+r
check=$(e2e_window "$CHECK")
wait_check "$check" searching
e2e_menu "$win" 0 6
e2e_wait_exit 10 || e2e_fail "the program ended with an error"
echo "solver: hints into level 2, the warning and its undo, the check's answers, playback, cancel; ok"
