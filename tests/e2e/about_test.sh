#!/usr/bin/env bash
# The about box opens from the game menu and from the editor menu, shows the program's
# picture, and goes away only through its OK button: not with Escape, Alt+F4 or a close
# request.
#   about_test.sh RUN_DIR LEVEL_TOOL SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1
about="О программе"

e2e_start_game "$run_dir"
win=$E2E_MAIN
e2e_click "$E2E_CHOOSER_ID" 383 316
e2e_wait_no_window "$E2E_CHOOSER"

# The picture stands at (21, 21) of the box, framed by the lowered panel.
check_box() {
    local box=$1 shot="$E2E_TMP/about.ppm"
    for _ in $(seq $((E2E_TIMEOUT * 5))); do
        e2e_window_shot "$box" "$shot"
        e2e_image bitmap-at "$shot" 21 21 "$run_dir/assets/about.bmp" && break
        sleep 0.2
    done
    e2e_image bitmap-at "$shot" 21 21 "$run_dir/assets/about.bmp" ||
        e2e_fail "the about box does not show the program's picture"
    e2e_key "$box" Escape
    e2e_key "$box" alt+F4
    e2e_wm_close "$box"
    sleep 0.5
    [ "$(e2e_window_count "$about")" -eq 1 ] || e2e_fail "the about box closed without OK"
    e2e_app_running || e2e_fail "the program ended"
}

# From the game menu ("&Справка" > "О программе..."), closed by clicking OK.
e2e_menu "$win" 2 1
box=$(e2e_window "$about")
check_box "$box"
e2e_click "$box" 229 22
e2e_wait_no_window "$about"

# From the editor menu, closed with Return on OK, which has the focus.
e2e_menu "$win" 1
e2e_wait_palette_tool "$win" 0
e2e_menu "$win" 2 1
box=$(e2e_window "$about")
check_box "$box"
e2e_key "$box" Return
e2e_wait_no_window "$about"
# The editor is still there.
e2e_wait_palette_tool "$win" 0
e2e_app_running || e2e_fail "the program ended"
echo "about box: both menus, picture, closes only with OK; ok"
