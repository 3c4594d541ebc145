#!/usr/bin/env bash
# Blast redraws in the real window. A level whose loading pass sets off a bomb, confirmed
# in the start-up chooser, leaves the blast redraw working: a later blast is redrawn away,
# and a robot that walks into a beam is shown as its wreck. A death that the blast redraw
# itself finds is shown as the wreck too.
#   redraw_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
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
# 1: the emitter at (0, 0) sets off the bomb at (3, 0) as the level loads. The mirror at
# (5, 11), pushed up, turns the beam of row 10 up into the bomb at (5, 7); pushed up once
# more, it lets that beam run on into the robot.
e2e_image level --title "Взрыв при загрузке" --robot 5,12 --put '>:0,0' --put b:3,0 \
    --put b:5,7 --put '>:1,10' --put /:5,11 --put '$:12,15' --floor .:15,17 -o "$t/load.txt"
# 2: the mirror at (4, 6), pushed up, turns the beam of row 5 up into the bomb at (4, 4),
# whose blast clears the rock out of the beam coming down column 4. That beam is traced
# before the blast, so it reaches the robot only in the blast redraw.
e2e_image level --title "Смерть при перерисовке" --robot 4,7 --put v:4,2 --put r:4,3 \
    --put b:4,4 --put '>:2,5' --put /:4,6 --put '$:10,10' --floor .:12,12 -o "$t/redraw.txt"
set_file=$game/levels/standart.lvp
"$E2E_TOOL" pack -o "$set_file" "$t/load.txt" "$t/redraw.txt"

# The level as it stands after MOVES (the level tool waits out every blast redraw).
after() { # LEVEL MOVES OUT STATUS
    "$E2E_TOOL" replay "$set_file" --level "$1" "$2" >"$3" || [ $? -le 4 ] ||
        e2e_fail "cannot replay level $1"
    grep -qx "status: $4" "$3" || e2e_fail "level $1 after '$2': $(tail -n1 "$3")"
}

e2e_start_game "$game"
win=$E2E_MAIN

# Level 1 from the start-up chooser: the loading blast is redrawn away.
e2e_chooser_pick "$E2E_CHOOSER_ID" 0
after 1 "" "$t/load-start.txt" unsolved
e2e_compose "$t/load-start.ppm" --text "$t/load-start.txt"
e2e_wait_field "$win" "$t/load-start.ppm"

# The mirror turns the beam into the bomb at (5, 7); its blast is redrawn away too and the
# beam runs up column 5.
e2e_key "$win" Up
after 1 u "$t/load-blast.txt" unsolved
e2e_compose "$t/load-blast.ppm" --text "$t/load-blast.txt" --robot 5,11,2,1
e2e_wait_field "$win" "$t/load-blast.ppm"

# Pushed on, the mirror leaves the beam of row 10 to the robot: its wreck, under the beam.
e2e_key "$win" Up
after 1 uu "$t/load-dead.txt" destroyed
e2e_compose "$t/load-dead.ppm" --text "$t/load-dead.txt" --robot 5,10,2,1 --wreck
e2e_wait_field "$win" "$t/load-dead.ppm"

# Level 2 through Ctrl+O: the death found by the blast redraw is shown as the wreck, and
# the keys do nothing to it.
e2e_key "$win" ctrl+o
e2e_chooser_pick "$(e2e_window "$E2E_CHOOSER")" 1
e2e_compose "$t/redraw-start.ppm" --text "$t/redraw.txt"
e2e_wait_field "$win" "$t/redraw-start.ppm"
e2e_key "$win" Up
after 2 u "$t/redraw-dead.txt" destroyed
e2e_compose "$t/redraw-dead.ppm" --text "$t/redraw-dead.txt" --robot 4,6,2,1 --wreck
e2e_wait_field "$win" "$t/redraw-dead.ppm"
e2e_key "$win" Down
sleep 0.3
e2e_wait_field "$win" "$t/redraw-dead.ppm"

# F2 brings the robot back, and Escape ends the program.
e2e_key "$win" F2
e2e_wait_field "$win" "$t/redraw-start.ppm"
e2e_key "$win" Escape
e2e_wait_exit 10 || e2e_fail "the program ended with an error"
echo "redraw: blast on loading, later blasts and wrecks, death found by the redraw; ok"
