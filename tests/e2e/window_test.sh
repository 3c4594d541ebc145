#!/usr/bin/env bash
# The main window appears with its caption and a 600 by 484 client area below the menu.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
run_dir=$1

e2e_start "$run_dir"
win=$(e2e_window Prismcrate)
read -r _ _ w h < <(e2e_geometry "$win")
[ "$w" -eq 600 ] || e2e_fail "client width $w, expected 600"
# The menu bar sits above the 484-pixel client area.
[ "$h" -gt 484 ] && [ "$h" -lt 520 ] || e2e_fail "window height $h, expected 484 plus a menu bar"
e2e_shot "$win" "$E2E_TMP/window.png"
[ -s "$E2E_TMP/window.png" ] || e2e_fail "no screenshot"
e2e_app_running || e2e_fail "the program ended"
echo "window: ${w}x${h} ok"
