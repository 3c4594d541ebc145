#!/usr/bin/env bash
# Failures a person meets in the editor: opening a file that is not a level changes
# nothing (field and title), and saving into a folder without write permission shows
# "Cannot create file ..." in the error box and leaves the old file as it was.
#   failure_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
E2E_TOOL=$2

if [ "$(id -u)" -eq 0 ]; then
    if ! setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
        echo "SKIP: running as root, and cannot run the program as another user" >&2
        exit 0
    fi
    E2E_APP_USER=65534:65534
fi
e2e_start_x
t=$E2E_TMP
game=$t/game
work=$t/work
locked=$t/locked
mkdir -p "$work/levels" "$locked"
e2e_copy_program "$run_dir" "$game"
cp "$run_dir/levels/standart.lvp" "$work/levels/"
printf 'this is not a level\n' >"$work/levels/junk.lev"
: >"$work/levels/empty.lev"
printf '\x4b\xb1\x01\x00\x00\xfe\xfd\x00\xfe\x91\x00\xfe\xfd\x00\xfe\x91\x00\x00\x00' \
    >"$locked/old.lev"
cp "$locked/old.lev" "$t/old-copy.lev"

# Permission bits stop every user but root. As root, the program runs as "nobody", for
# whom the locked folder (root's) is read-only like any folder without write permission.
chmod 0555 "$locked"
if [ -n "${E2E_APP_USER:-}" ]; then chown -R "$E2E_APP_USER" "$work"; fi

e2e_start_game "$game" "$work"
win=$E2E_MAIN
e2e_click "$E2E_CHOOSER_ID" 383 316
e2e_wait_no_window "$E2E_CHOOSER"
e2e_menu "$win" 1
e2e_wait_palette_tool "$win" 0

# A level to keep: a wall and a title.
e2e_palette_click "$win" 4
e2e_cell_click "$win" 5 5
e2e_menu "$win" 1 2
dialog=$(e2e_window "Введите название уровня")
e2e_type "$dialog" Walls
e2e_key "$dialog" Return
e2e_wait_no_window "Введите название уровня"
e2e_image level --title Walls --robot 0,0 --put '#:5,5' -o "$t/walls.txt"
e2e_compose "$t/walls.ppm" --text "$t/walls.txt"
"$E2E_TOOL" pack -o "$t/walls.lev" "$t/walls.txt"
e2e_wait_field "$win" "$t/walls.ppm"
# Saved first: a level with changes would be asked about before another file is opened.
e2e_key "$win" ctrl+s
e2e_file_dialog "$E2E_SAVE" "$work/levels/walls.lev"
e2e_wait_bytes "$work/levels/walls.lev" "$t/walls.lev"

# Opening text or an empty file as a level changes neither the field nor the title: the
# level saved afterwards (keys are handled in order) is the level from before.
for junk in junk.lev empty.lev; do
    e2e_key "$win" ctrl+o
    e2e_file_dialog "$E2E_OPEN" "$work/levels/$junk"
    e2e_wait_field "$win" "$t/walls.ppm"
    e2e_key "$win" ctrl+s
    e2e_file_dialog "$E2E_SAVE" "$work/levels/after-$junk"
    e2e_wait_bytes "$work/levels/after-$junk" "$t/walls.lev"
done

# Saving over a file in the locked folder: the overwrite question, then the error box.
e2e_key "$win" ctrl+s
dialog=$(e2e_window "$E2E_SAVE")
e2e_type "$dialog" "$locked/old.lev"
e2e_key "$dialog" Return
question=$(e2e_other_window "$E2E_SAVE" "$dialog")
# "Да" stands before the focused "Нет".
e2e_key "$question" shift+Tab space
e2e_wait_no_window "$E2E_SAVE"
box=$(e2e_other_window Prismcrate "$win")
# The error box: its critical icon is red; its text names the file, so it grows with a
# longer name than this test's small folders could make it shrink under.
shot=$t/error.ppm
read -r _ _ bw bh < <(e2e_geometry "$box")
for _ in $(seq 50); do
    e2e_window_shot "$box" "$shot"
    read -r red _ _ < <(e2e_image tint "$shot" 0 0 "$bw" "$bh")
    [ "$red" -gt 100 ] && break
    sleep 0.1
done
[ "$red" -gt 100 ] || e2e_fail "the error box shows no error icon"
e2e_key "$box" Return
for _ in $(seq 100); do
    [ -z "$(e2e_visible Prismcrate | grep -vx "$win" || true)" ] && break
    sleep 0.1
done
cmp -s "$locked/old.lev" "$t/old-copy.lev" || e2e_fail "the old file was changed"
[ "$(ls -A "$locked")" = old.lev ] || e2e_fail "the locked folder holds more: $(ls -A "$locked")"
# The editor goes on with its level.
e2e_wait_field "$win" "$t/walls.ppm"
e2e_app_running || e2e_fail "the program ended"
echo "failures: non-level files change nothing; a locked folder gives the error box; ok"
