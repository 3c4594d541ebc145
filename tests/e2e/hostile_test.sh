#!/usr/bin/env bash
# Unusual installations: the program in a folder whose name is not UTF-8 (cp1251 bytes)
# finds its standard set and its pictures there and shows the chooser; a damaged sprite
# sheet is reported once in the error box, and the game goes on.
#   hostile_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
E2E_TOOL=$2

e2e_start_x
t=$E2E_TMP
# "Призма" in cp1251: six bytes that are no UTF-8.
game=$t/$'\xcf\xf0\xe8\xe7\xec\xe0'
work=$t/work
mkdir -p "$work/levels"
e2e_copy_program "$run_dir" "$game"
# Started from elsewhere: the set and the sheets can only come from the program's folder.
cp "$run_dir/levels/standart.lvp" "$work/levels/"

e2e_start_game "$game" "$work"
win=$E2E_MAIN
chooser=$E2E_CHOOSER_ID
count=$("$E2E_TOOL" list "$game/levels/standart.lvp" | wc -l)
rows=$(e2e_chooser_rows "$chooser")
listed=$(grep -vc -- '- - - -$' <<<"$rows" || true)
[ "$listed" -eq $((count < 16 ? count : 16)) ] || e2e_fail "the chooser lists $listed rows: $rows"
[ "$(e2e_window_count Prismcrate)" -eq 1 ] || e2e_fail "an error box came up"
e2e_chooser_pick "$chooser" 1
e2e_level_text "$game/levels/standart.lvp" 2 "$t/level2.txt"
e2e_compose "$t/level2.ppm" --text "$t/level2.txt"
e2e_wait_field "$win" "$t/level2.ppm"
e2e_key "$win" Escape
e2e_wait_exit 10 || e2e_fail "the program ended with an error"

# A damaged sheet: its message in the error box, before the main window comes up.
damaged=$t/damaged
e2e_copy_program "$run_dir" "$damaged"
printf 'BM this is no bitmap' >"$damaged/assets/tiles2.bmp"
e2e_start "$damaged"
box=$(e2e_window Prismcrate)
read -r _ _ bw bh < <(e2e_geometry "$box")
[ "$bw" -lt 600 ] && [ "$bh" -lt 300 ] || e2e_fail "the first window is no error box: ${bw}x${bh}"
shot=$t/error.ppm
for _ in $(seq 50); do
    e2e_window_shot "$box" "$shot"
    read -r red _ _ < <(e2e_image tint "$shot" 0 0 "$bw" "$bh")
    [ "$red" -gt 100 ] && break
    sleep 0.1
done
[ "$red" -gt 100 ] || e2e_fail "the error box shows no error icon"
e2e_key "$box" Return
chooser=$(e2e_window "$E2E_CHOOSER")
win=$(e2e_window Prismcrate)
[ "$win" != "$box" ] || e2e_fail "the error box is still shown"
e2e_chooser_pick "$chooser" 0
sleep 0.5
[ "$(e2e_window_count Prismcrate)" -eq 1 ] || e2e_fail "the error came up again"
e2e_app_running || e2e_fail "the program ended"
echo "hostile: a cp1251 program folder lists $count levels and plays; a damaged sheet is reported once; ok"
