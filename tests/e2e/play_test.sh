#!/usr/bin/env bash
# Playing a level set made for the test: moves and pushes, a crate turning blue on its
# target, a laser destroying the robot, undo and restart, winning into the next level and
# from the last level back to the first, choosing a level with Ctrl+O, Escape.
#   play_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
E2E_TOOL=$2

e2e_start_x
# The program lists the standard set of its own folder: a copy of the run folder gets
# this test's set in place of it.
game=$E2E_TMP/game
e2e_copy_program "$run_dir" "$game"
t=$E2E_TMP
# A: two crates, two targets; pushing the first one right puts it on its target.
push_level() { # ROBOT CRATE1 OUT [more level arguments]
    local robot=$1 crate=$2 out=$3
    shift 3
    e2e_image level --title "Толчок ящика на цель" --robot "$robot" --box 1,4,10,10 \
        --put "\$:$crate" --put '$:4,8' --floor .:5,6 --floor .:6,8 -o "$out" "$@"
}
push_level 3,6 4,6 "$t/a.txt"
# B: an emitter firing down column 10, the robot beside the beam, a crate for the win.
laser_level() { # ROBOT OUT
    e2e_image level --title "Лазер" --robot "$1" --box 1,1,14,12 --put v:10,2 --put '$:4,9' \
        --floor .:5,9 -o "$2"
}
laser_level 9,5 "$t/b.txt"
"$E2E_TOOL" pack -o "$game/levels/standart.lvp" "$t/a.txt" "$t/b.txt"

e2e_start_game "$game"
win=$E2E_MAIN
chooser=$E2E_CHOOSER_ID

# Two rows; the first title is the longer one.
rows=$(e2e_chooser_rows "$chooser")
read -r _ n0 _ t0l t0r < <(sed -n 1p <<<"$rows")
read -r _ n1 _ t1l t1r < <(sed -n 2p <<<"$rows")
[ "$n0" != - ] && [ "$n1" != - ] && [ "$t0l" != - ] && [ "$t1l" != - ] ||
    e2e_fail "the chooser does not list both levels: $rows"
[ $((t0r - t0l)) -gt $((t1r - t1l)) ] || e2e_fail "the titles are not listed in order: $rows"
[ -z "$(sed -n '3,$p' <<<"$rows" | grep -v -- '- - - -$' || true)" ] ||
    e2e_fail "the chooser lists more than two rows: $rows"

# Level 2 first: the beam runs down column 10 next to the robot.
e2e_chooser_pick "$chooser" 1
e2e_compose "$t/b-start.ppm" --text "$t/b.txt"
e2e_wait_field "$win" "$t/b-start.ppm"
e2e_caption_shot "$win" "$t/caption-b.ppm"

# A step into the beam destroys the robot: its wreck, with the beam drawn over it.
e2e_key "$win" Right
e2e_compose "$t/b-dead.ppm" --text "$t/b.txt" --robot 10,5,3,0 --wreck
e2e_wait_field "$win" "$t/b-dead.ppm"
# Keys do nothing to a wreck; Ctrl+Z brings the robot back to its cell before the step
# (had Left moved the wreck, undo would put the robot back into the beam).
e2e_key "$win" Left
sleep 0.3
e2e_key "$win" ctrl+z
e2e_wait_field "$win" "$t/b-start.ppm"
# F2 after another death starts the level again.
e2e_key "$win" Right
e2e_wait_field "$win" "$t/b-dead.ppm"
e2e_key "$win" F2
e2e_wait_field "$win" "$t/b-start.ppm"

# Winning the last level of the set brings the first one.
e2e_play "$win" llllllddddR
e2e_compose "$t/a-start.ppm" --text "$t/a.txt"
e2e_wait_field "$win" "$t/a-start.ppm"
e2e_caption_shot "$win" "$t/caption-a.ppm"
e2e_image same "$t/caption-a.ppm" "$t/caption-b.ppm" && e2e_fail "both levels have one caption"

# Mouse buttons on the field change nothing in the game (in the editor, the left button
# would move the robot there and the right one would take away the crate).
e2e_cell_click "$win" 5 5
e2e_cell_click "$win" 4 6 3

# Walking turns the robot; a push moves the crate onto its target, where it is blue.
e2e_key "$win" Left
e2e_compose "$t/a-left.ppm" --text "$t/a.txt" --robot 2,6,1,0
e2e_wait_field "$win" "$t/a-left.ppm"
e2e_key "$win" Right
e2e_compose "$t/a-right.ppm" --text "$t/a.txt" --robot 3,6,3,0
e2e_wait_field "$win" "$t/a-right.ppm"
e2e_key "$win" Right
push_level 3,6 5,6 "$t/a-pushed.txt"
e2e_compose "$t/a-pushed.ppm" --text "$t/a-pushed.txt" --robot 4,6,3,1
e2e_wait_field "$win" "$t/a-pushed.ppm"
# Seen plainly: the crate on its target is mostly blue, the other one mostly orange.
e2e_field_shot "$win" "$t/a-pushed-now.ppm"
read -r _ _ blue < <(e2e_image tint "$t/a-pushed-now.ppm" $((5 * 24)) $((6 * 24)) 24 24)
read -r orange _ _ < <(e2e_image tint "$t/a-pushed-now.ppm" $((4 * 24)) $((8 * 24)) 24 24)
[ "$blue" -gt 200 ] && [ "$orange" -gt 200 ] ||
    e2e_fail "crates: $blue blue pixels on the target, $orange red-orange off it"

# Ctrl+Z takes the push back; F2 starts the level again.
e2e_key "$win" ctrl+z
e2e_wait_field "$win" "$t/a-right.ppm"
e2e_key "$win" Right F2
e2e_wait_field "$win" "$t/a-start.ppm"

# Solving level 1 plays on into level 2 with its caption.
e2e_play "$win" RlddRR
e2e_wait_field "$win" "$t/b-start.ppm"
e2e_wait_caption "$win" "$t/caption-b.ppm"

# Ctrl+O and the first row: level 1 again.
e2e_key "$win" ctrl+o
chooser=$(e2e_window "$E2E_CHOOSER")
e2e_chooser_pick "$chooser" 0
e2e_wait_field "$win" "$t/a-start.ppm"
e2e_wait_caption "$win" "$t/caption-a.ppm"

e2e_key "$win" Escape
e2e_wait_exit 10 || e2e_fail "the program ended with an error"
echo "play: moves, pushes, blue crate, laser death, undo, restart, wins, chooser; ok"
