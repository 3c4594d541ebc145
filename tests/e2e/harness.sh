#!/usr/bin/env bash
# End-to-end harness: starts its own X server and the real program, finds the window,
# sends keys and clicks with xdotool, takes screenshots with ImageMagick, and stops only
# the processes it started. Source it from a case script.
#
#   e2e_start RUN_DIR [WORKDIR]   start Xvfb and the program (cwd = WORKDIR or RUN_DIR)
#   e2e_window NAME               wait for a window whose title is NAME; prints its id
#   e2e_key WINDOW KEY...         send keys (xdotool names: Left, ctrl+z, F2, Return)
#   e2e_click WINDOW X Y [BUTTON] click at window-relative client pixel (X, Y)
#   e2e_shot WINDOW FILE          screenshot of the window's client area
#   e2e_stop                      stop the program and the X server
set -euo pipefail

E2E_XVFB_PID=""
E2E_APP_PID=""
E2E_TMP=""

e2e_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

e2e_stop() {
    if [ -n "$E2E_APP_PID" ] && kill -0 "$E2E_APP_PID" 2>/dev/null; then
        kill "$E2E_APP_PID" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$E2E_APP_PID" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$E2E_APP_PID" 2>/dev/null || true
    fi
    if [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
    fi
    E2E_APP_PID=""
    E2E_XVFB_PID=""
    if [ -n "$E2E_TMP" ] && [ -z "${E2E_KEEP:-}" ]; then rm -rf "$E2E_TMP"; fi
}
trap e2e_stop EXIT

e2e_start_x() {
    E2E_TMP=$(mktemp -d)
    # Xvfb picks a free display and writes its number to the file descriptor we give it.
    exec {fd}>"$E2E_TMP/display"
    Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    exec {fd}>&-
    for _ in $(seq 100); do
        [ -s "$E2E_TMP/display" ] && break
        sleep 0.05
    done
    [ -s "$E2E_TMP/display" ] || e2e_fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$E2E_TMP/display")"
}

e2e_start() {
    local run_dir=$1 workdir=${2:-$1}
    e2e_start_x
    (cd "$workdir" && QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy exec "$run_dir/prismcrate") \
        >"$E2E_TMP/app.log" 2>&1 &
    E2E_APP_PID=$!
}

e2e_window() {
    local name=$1 id=""
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n1 || true)
        [ -n "$id" ] && break
        sleep 0.05
    done
    [ -n "$id" ] || e2e_fail "no window named '$name'"
    echo "$id"
}

e2e_app_running() { kill -0 "$E2E_APP_PID" 2>/dev/null; }

e2e_key() {
    local win=$1; shift
    xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
    xdotool key --window "$win" --clearmodifiers "$@"
    sleep 0.15
}

# Client-area geometry of a window: prints "X Y WIDTH HEIGHT" in root coordinates.
e2e_geometry() {
    local info
    info=$(xwininfo -id "$1")
    local x y w h
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    echo "$x $y $w $h"
}

e2e_click() {
    local win=$1 x=$2 y=$3 button=${4:-1}
    read -r wx wy _ _ < <(e2e_geometry "$win")
    xdotool mousemove --sync $((wx + x)) $((wy + y)) click "$button"
    sleep 0.15
}

e2e_shot() {
    import -window "$1" "$2"
}
