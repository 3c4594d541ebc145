#!/usr/bin/env bash
# End-to-end harness: starts its own X server and the real program, finds windows, sends
# keys and clicks with xdotool, takes screenshots with ImageMagick and judges them with
# field_image.py, and stops only the processes it started. Source it from a case script.
#
# Start and stop
#   e2e_start RUN_DIR [WORKDIR]   start Xvfb (unless started) and the program (cwd =
#                                 WORKDIR or RUN_DIR)
#   e2e_start_x                   start Xvfb only; makes the case's folder E2E_TMP
#   e2e_start_app RUN_DIR [WORKDIR]  start the program on the harness's X server; as the
#                                 user E2E_APP_USER ("UID:GID") when that is set, with the
#                                 arguments in the array E2E_ARGS
#   e2e_wait_exit [SECONDS]       wait until the program has ended; fails if it does not
#   e2e_stop                      stop the program and the X server
# Windows
#   e2e_window NAME [SECONDS]     wait for a visible window titled NAME; prints its id
#   e2e_other_window NAME ID      wait for a visible window titled NAME other than ID
#   e2e_wait_no_window NAME [SECONDS]  wait until no visible window is titled NAME
#   e2e_window_count NAME         how many visible windows are titled NAME now
#   e2e_geometry WINDOW           "X Y WIDTH HEIGHT" of the window in root coordinates
#   e2e_wm_close WINDOW           ask the window to close, as a title bar's close box does
# Input (window-relative pixels; the main window's include its menu bar)
#   e2e_key WINDOW KEY...         focus the window and send keys (xdotool names)
#   e2e_type WINDOW TEXT          focus the window and type text
#   e2e_click WINDOW X Y [BUTTON]
#   e2e_drag WINDOW X1 Y1 X2 Y2 [BUTTON]  press, move in steps, release
#   e2e_menu WINDOW TITLE [DOWNS] click the TITLE-th (0-based) menu of the menu bar; with
#                                 DOWNS, choose the DOWNS-th item of its menu by keyboard
# The main window's parts
#   e2e_field_origin WINDOW       "X Y": window-relative pixel of the field's top-left
#   e2e_field_click WINDOW FX FY [BUTTON]  click at field pixel (FX, FY)
#   e2e_cell_click WINDOW CX CY [BUTTON]   click in the middle of field cell (CX, CY)
#   e2e_cell_drag WINDOW CX1 CY1 CX2 CY2 [BUTTON]  drag from one cell's middle to another's
#   e2e_palette_click WINDOW TOOL          click in the middle of palette cell TOOL
# Pictures
#   e2e_shot WINDOW FILE          screenshot of the window (format by FILE's extension)
#   e2e_window_shot WINDOW FILE.ppm   the window's area of the screen, as PPM
#   e2e_field_shot WINDOW FILE.ppm    the 480 by 480 field
#   e2e_compose OUT.ppm ARGS...   field_image.py compose with the run folder's sheets
#   e2e_wait_field WINDOW EXPECTED.ppm [--ignore X,Y]...  wait until the field shows it
#   e2e_image ARGS...             field_image.py
set -euo pipefail

E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_XVFB_PID=""
E2E_APP_PID=""
E2E_TMP=""
E2E_RUN_DIR=""
E2E_ARGS=()
E2E_STOP_STATUS=0
# Waits give up after this many seconds; the sanitizer build starts and draws slower.
E2E_TIMEOUT=${E2E_TIMEOUT:-20}

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "$E2E_TMP" ] && [ -n "$E2E_XVFB_PID" ]; then
        import -window root "$E2E_TMP/failure.png" 2>/dev/null || true
        # Marked in a file: a failure inside $(...) happens in a subshell.
        touch "$E2E_TMP/failed"
        echo "screenshots and the program's output are in $E2E_TMP" >&2
        if [ -s "$E2E_TMP/app.log" ]; then
            echo "--- program output (last lines) ---" >&2
            tail -n 30 "$E2E_TMP/app.log" >&2
        fi
    fi
    exit 1
}

e2e_stop_app() {
    if [ -n "$E2E_APP_PID" ] && kill -0 "$E2E_APP_PID" 2>/dev/null; then
        kill "$E2E_APP_PID" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$E2E_APP_PID" 2>/dev/null || break; sleep 0.1; done
        if kill -0 "$E2E_APP_PID" 2>/dev/null; then
            kill -9 "$E2E_APP_PID" 2>/dev/null || true
            echo "FAIL: the program ignored SIGTERM" >&2
            E2E_STOP_STATUS=1
        fi
    fi
    if [ -n "$E2E_APP_PID" ]; then wait "$E2E_APP_PID" 2>/dev/null || true; fi
    E2E_APP_PID=""
    # The sanitizer build reports faults in the program's output.
    if [ -n "$E2E_TMP" ] && grep -qE "ERROR: AddressSanitizer|runtime error:" \
        "$E2E_TMP/app.log" 2>/dev/null; then
        echo "FAIL: the program reported a fault:" >&2
        grep -E -A 12 "ERROR: AddressSanitizer|runtime error:" "$E2E_TMP/app.log" | head -40 >&2
        E2E_STOP_STATUS=1
    fi
}

e2e_stop() {
    local status=$?
    e2e_stop_app
    if [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
    fi
    E2E_XVFB_PID=""
    if [ -n "$E2E_TMP" ] && [ -z "${E2E_KEEP:-}" ] && [ ! -e "$E2E_TMP/failed" ]; then
        rm -rf "$E2E_TMP"
    fi
    [ "$status" -ne 0 ] || status=$E2E_STOP_STATUS
    return "$status"
}
trap 'e2e_stop || exit $?' EXIT
# Killed from outside (a test timeout, Ctrl+C): still stop what was started.
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

e2e_start_x() {
    E2E_TMP=$(mktemp -d)
    local attempt
    for attempt in 1 2 3; do
        # Xvfb picks a free display and writes its number to the file descriptor we give.
        : >"$E2E_TMP/display"
        exec {fd}>"$E2E_TMP/display"
        Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >>"$E2E_TMP/xvfb.log" 2>&1 &
        E2E_XVFB_PID=$!
        exec {fd}>&-
        for _ in $(seq 100); do
            [ -s "$E2E_TMP/display" ] && break
            sleep 0.05
        done
        if [ -s "$E2E_TMP/display" ]; then
            DISPLAY=":$(head -n1 "$E2E_TMP/display")"
            export DISPLAY
            # It must be our server that answers (an Xvfb that found the display taken
            # exits, and another server may answer on it), also to the user the program
            # may run as.
            if kill -0 "$E2E_XVFB_PID" 2>/dev/null &&
                xdotool getdisplaygeometry >/dev/null 2>&1 &&
                sleep 0.2 && kill -0 "$E2E_XVFB_PID" 2>/dev/null &&
                { [ -z "${E2E_APP_USER:-}" ] || setpriv --reuid="${E2E_APP_USER%%:*}" \
                    --regid="${E2E_APP_USER##*:}" --clear-groups \
                    xdotool getdisplaygeometry >/dev/null 2>&1; }; then
                return 0
            fi
        fi
        echo "X server on '${DISPLAY:-}' (attempt $attempt) does not answer" >>"$E2E_TMP/xvfb.log"
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
        E2E_XVFB_PID=""
    done
    cat "$E2E_TMP/xvfb.log" >&2
    e2e_fail "Xvfb did not start"
}

e2e_start_app() {
    local run_dir workdir
    run_dir=$(cd "$1" && pwd)
    workdir=${2:-$run_dir}
    E2E_RUN_DIR=$run_dir
    local as=()
    mkdir -p "$E2E_TMP/runtime"
    chmod 0700 "$E2E_TMP/runtime"
    if [ -n "${E2E_APP_USER:-}" ]; then
        # Run as that user ("UID:GID"): it needs its own runtime folder and a way in.
        chmod 0755 "$E2E_TMP"
        chown "$E2E_APP_USER" "$E2E_TMP/runtime"
        as=(setpriv --reuid="${E2E_APP_USER%%:*}" --regid="${E2E_APP_USER##*:}" --clear-groups)
    fi
    # The user's folders (levels, progress) are under the case's own HOME; the program's
    # texts, the toolkit's included, are Russian whatever the locale.
    (cd "$workdir" && LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy \
        XDG_RUNTIME_DIR="$E2E_TMP/runtime" HOME="$E2E_TMP/runtime" \
        exec env -u XDG_DATA_HOME -u XDG_CONFIG_HOME "${as[@]}" "$run_dir/prismcrate" \
        ${E2E_ARGS[@]+"${E2E_ARGS[@]}"}) >>"$E2E_TMP/app.log" 2>&1 &
    E2E_APP_PID=$!
}

e2e_start() {
    [ -n "$E2E_XVFB_PID" ] || e2e_start_x
    e2e_start_app "$@"
}

e2e_app_running() { kill -0 "$E2E_APP_PID" 2>/dev/null; }

e2e_wait_exit() {
    local seconds=${1:-$E2E_TIMEOUT} status=0
    for _ in $(seq $((seconds * 20))); do
        e2e_app_running || break
        sleep 0.05
    done
    e2e_app_running && e2e_fail "the program is still running after $seconds s"
    wait "$E2E_APP_PID" || status=$?
    E2E_APP_PID=""
    return "$status"
}

e2e_visible() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true
}

e2e_window_count() {
    e2e_visible "$1" | wc -l
}

e2e_window() {
    local name=$1 seconds=${2:-$E2E_TIMEOUT} id=""
    for _ in $(seq $((seconds * 20))); do
        id=$(e2e_visible "$name" | head -n1)
        [ -n "$id" ] && break
        e2e_app_running || e2e_fail "the program ended while waiting for '$name'"
        sleep 0.05
    done
    [ -n "$id" ] || e2e_fail "no window named '$name'"
    echo "$id"
}

e2e_other_window() {
    local name=$1 other=$2 id=""
    for _ in $(seq $((E2E_TIMEOUT * 20))); do
        id=$(e2e_visible "$name" | grep -vx "$other" | head -n1 || true)
        [ -n "$id" ] && break
        sleep 0.05
    done
    [ -n "$id" ] || e2e_fail "no second window named '$name'"
    echo "$id"
}

e2e_wait_no_window() {
    local name=$1 seconds=${2:-$E2E_TIMEOUT}
    for _ in $(seq $((seconds * 20))); do
        [ -z "$(e2e_visible "$name")" ] && return 0
        sleep 0.05
    done
    e2e_fail "window '$name' is still shown"
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

# There is no window manager: the harness gives the keyboard focus itself.
e2e_focus() {
    xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true
}

e2e_key() {
    local win=$1; shift
    e2e_focus "$win"
    xdotool key --delay 30 "$@"
    sleep 0.05
}

e2e_type() {
    e2e_focus "$1"
    xdotool type --delay 20 "$2"
    sleep 0.05
}

# Moves the pointer to root pixel (X, Y) and waits until it is there. (xdotool's own wait
# never ends when the pointer is there already.)
e2e_pointer_to() {
    local X Y
    eval "$(xdotool getmouselocation --shell 2>/dev/null | grep -E '^[XY]=')"
    if [ "$X" != "$1" ] || [ "$Y" != "$2" ]; then xdotool mousemove --sync "$1" "$2"; fi
}

e2e_click() {
    local win=$1 x=$2 y=$3 button=${4:-1}
    read -r wx wy _ _ < <(e2e_geometry "$win")
    e2e_pointer_to $((wx + x)) $((wy + y))
    xdotool click "$button"
    sleep 0.05
}

e2e_drag() {
    local win=$1 x1=$2 y1=$3 x2=$4 y2=$5 button=${6:-1}
    read -r wx wy _ _ < <(e2e_geometry "$win")
    e2e_pointer_to $((wx + x1)) $((wy + y1))
    xdotool mousedown "$button"
    local steps=8 i
    for i in $(seq $steps); do
        e2e_pointer_to $((wx + x1 + (x2 - x1) * i / steps)) $((wy + y1 + (y2 - y1) * i / steps))
        sleep 0.02
    done
    xdotool mouseup "$button"
    sleep 0.05
}

e2e_field_origin() {
    # The client area is 484 pixels high below the menu bar; the field sits at (2, 2) in it.
    read -r _ _ _ h < <(e2e_geometry "$1")
    echo "2 $((h - 484 + 2))"
}

e2e_field_click() {
    local fx fy
    read -r fx fy < <(e2e_field_origin "$1")
    e2e_click "$1" $((fx + $2)) $((fy + $3)) "${4:-1}"
}

e2e_cell_click() {
    e2e_field_click "$1" $(($2 * 24 + 12)) $(($3 * 24 + 12)) "${4:-1}"
}

# Drags from the middle of field cell (CX1, CY1) to the middle of (CX2, CY2).
e2e_cell_drag() {
    local fx fy
    read -r fx fy < <(e2e_field_origin "$1")
    e2e_drag "$1" $((fx + $2 * 24 + 12)) $((fy + $3 * 24 + 12)) $((fx + $4 * 24 + 12)) \
        $((fy + $5 * 24 + 12)) "${6:-1}"
}

# The palette picture lies at client (491, 375); cell c, r at 25c + 2, 25r + 2 in it.
e2e_palette_origin() {
    read -r _ _ _ h < <(e2e_geometry "$1")
    echo "491 $((h - 484 + 375))"
}

e2e_palette_click() {
    local px py tool=$2
    read -r px py < <(e2e_palette_origin "$1")
    e2e_click "$1" $((px + 25 * (tool % 4) + 14)) $((py + 25 * (tool / 4) + 14))
}

# The interpreter itself, not a version manager's wrapper, which starts slowly.
E2E_PYTHON=$(python3 -c 'import sys; print(sys.executable)')

e2e_image() {
    "$E2E_PYTHON" "$E2E_HERE/field_image.py" "$@"
}

e2e_wm_close() {
    "$E2E_PYTHON" "$E2E_HERE/xclient.py" close "$1"
}

e2e_shot() {
    import -window "$1" "$2"
}

e2e_window_shot() {
    local x y w h
    read -r x y w h < <(e2e_geometry "$1")
    import -window root -depth 8 -crop "${w}x${h}+${x}+${y}" +repage "ppm:$2"
}

e2e_field_shot() {
    local x y h fx fy
    read -r x y _ h < <(e2e_geometry "$1")
    read -r fx fy < <(e2e_field_origin "$1")
    import -window root -depth 8 -crop "480x480+$((x + fx))+$((y + fy))" +repage "ppm:$2"
}

e2e_compose() {
    local out=$1; shift
    e2e_image compose --sheets "$E2E_RUN_DIR/assets" -o "$out" "$@"
}

e2e_wait_field() {
    local win=$1 expected=$2; shift 2
    local shot result=""
    shot="$E2E_TMP/field-$(basename "$expected")"
    for _ in $(seq $((E2E_TIMEOUT * 5))); do
        e2e_field_shot "$win" "$shot"
        if result=$(e2e_image diff "$shot" "$expected" "$@" --save-diff "$shot.diff.ppm"); then
            return 0
        fi
        sleep 0.2
    done
    e2e_fail "the field does not show $(basename "$expected"): $result"
}

# Menu titles are found as words of dark pixels in the menu bar, left to right.
e2e_menu() {
    local win=$1 title=$2 downs=${3:-}
    local shot="$E2E_TMP/menubar.ppm" h left right before popup=""
    read -r _ _ _ h < <(e2e_geometry "$win")
    e2e_window_shot "$win" "$shot"
    local found
    found=$(e2e_image words "$shot" 0 0 400 $((h - 484)) 8 | sed -n "$((title + 1))p")
    read -r left right <<<"$found" || true
    [ -n "${left:-}" ] || e2e_fail "no menu number $title in the menu bar"
    before=$(xdotool search --onlyvisible --class prismcrate 2>/dev/null | sort || true)
    e2e_click "$win" $(((left + right) / 2)) $(((h - 484) / 2))
    [ -n "$downs" ] || return 0
    for _ in $(seq $((E2E_TIMEOUT * 20))); do
        popup=$(comm -13 <(echo "$before") \
            <(xdotool search --onlyvisible --class prismcrate 2>/dev/null | sort) | head -n1)
        [ -n "$popup" ] && break
        sleep 0.05
    done
    [ -n "$popup" ] || e2e_fail "menu number $title did not open"
    # The open menu holds the keyboard: no focus change, or it would close.
    local keys=()
    for _ in $(seq "$downs"); do keys+=(Down); done
    xdotool key --delay 30 "${keys[@]}" Return
    sleep 0.05
}

# The level chooser "Выберите уровень" (no window frame under Xvfb: client = window).
# Its list lies at (8, 40), 412 by 257, inside a 1-pixel frame: rows of 16 pixels from y 41,
# the number column 40 pixels wide from x 9; OK at (346, 305), 75 by 23.
E2E_CHOOSER="Выберите уровень"

e2e_chooser_row_click() {
    e2e_click "$1" 120 $((40 + 16 * $2 + 8))
}

# Picks row ROW (0-based) and confirms with OK; waits until the chooser has gone.
e2e_chooser_pick() {
    e2e_chooser_row_click "$1" "$2"
    e2e_click "$1" 383 316
    e2e_wait_no_window "$E2E_CHOOSER"
}

# Per list row of the chooser: "ROW LEFT RIGHT" of the text in the number column and in
# the title column, or "-" where a column shows nothing. Rows hold text in any colour, so
# what counts is a pixel that differs from the row's background.
e2e_chooser_rows() {
    local shot="$E2E_TMP/chooser.ppm"
    e2e_window_shot "$1" "$shot"
    e2e_image rows "$shot" 9 41 396 255 16 --split 40
}

# Panel3, the level caption: client (494, 9), 97 by 25.
e2e_caption_shot() {
    local x y h
    read -r x y _ h < <(e2e_geometry "$1")
    import -window root -depth 8 -crop "97x25+$((x + 494))+$((y + h - 484 + 9))" +repage "ppm:$2"
}

# Waits until the caption shows the picture REFERENCE.ppm (or, with "empty", no text).
e2e_wait_caption() {
    local win=$1 want=$2 shot="$E2E_TMP/caption-now.ppm"
    for _ in $(seq $((E2E_TIMEOUT * 5))); do
        e2e_caption_shot "$win" "$shot"
        if [ "$want" = empty ]; then
            [ "$(e2e_image ink "$shot" 3 3 91 19)" -eq 0 ] && return 0
        elif e2e_image same "$shot" "$want"; then
            return 0
        fi
        sleep 0.2
    done
    e2e_fail "the level caption does not show $(basename "$want")"
}

# The rectangle of window OTHER in the field pixels of the main window WINDOW: "X,Y,W,H".
e2e_rect_on_field() {
    local wx wy h fx fy ox oy ow oh
    read -r wx wy _ h < <(e2e_geometry "$1")
    read -r fx fy < <(e2e_field_origin "$1")
    read -r ox oy ow oh < <(e2e_geometry "$2")
    echo "$((ox - wx - fx)),$((oy - wy - fy)),$ow,$oh"
}

# Starts the program and waits for the main window and the chooser; sets E2E_MAIN and
# E2E_CHOOSER_ID.
# Copies the program of RUN_DIR with its assets and levels into FOLDER (made when missing),
# for a test that changes what the program finds beside it (its standard set, a sheet).
e2e_copy_program() {
    mkdir -p "$2"
    cp -r "$1/prismcrate" "$1/assets" "$1/levels" "$2/"
}

e2e_start_game() {
    e2e_start "$@"
    E2E_MAIN=$(e2e_window Prismcrate)
    E2E_CHOOSER_ID=$(e2e_window "$E2E_CHOOSER")
}

# The text of level N (1-based) of a set as the program shows it once loaded: the level
# tool replays no moves, which runs the one field pass of loading (plates, gates).
e2e_level_text() {
    # Status 3: no moves leave the level unsolved, as expected; anything but 0, 3, 4 fails.
    local status=0
    "$E2E_TOOL" replay "$1" --level "$2" "" >"$3" || status=$?
    case "$status" in
        0 | 3 | 4) ;;
        *) e2e_fail "cannot read level $2 of $1" ;;
    esac
}

# The solution of level N of the sources in SOURCE_FOLDER (their "; solution:" lines,
# levels in the order of the file names).
e2e_solution() {
    local folder=$1 n=$2 files
    # Sorted as the build sorts them when it packs the set.
    files=$(printf '%s\n' "$folder"/*.txt | LC_ALL=C sort)
    # shellcheck disable=SC2086
    awk -v want="$n" '
        /^; solution:/ { sol = $3 }
        /^Title:/ { count++; if (count == want) { print sol; found = 1; exit } sol = "" }
        END { if (!found) exit 1 }' $files ||
        e2e_fail "no solution line for level $n in $folder"
}

# Plays a solution string (l u r d, either case) as arrow keys.
e2e_play() {
    local win=$1 moves=$2 keys=() i c
    for ((i = 0; i < ${#moves}; i++)); do
        c=${moves:i:1}
        case "$c" in
            l | L) keys+=(Left) ;;
            u | U) keys+=(Up) ;;
            r | R) keys+=(Right) ;;
            d | D) keys+=(Down) ;;
            *) e2e_fail "unknown move '$c'" ;;
        esac
    done
    # Apart by more than the 100 ms blast redraw, as the level tool replays them.
    e2e_focus "$win"
    xdotool key --delay 150 "${keys[@]}"
}

# The file dialogs' titles.
E2E_OPEN="Открыть"
E2E_SAVE="Сохранить как"

# Answers a file dialog ($E2E_OPEN or $E2E_SAVE): types PATH into its file-name box, which
# has the focus, and presses Return; waits until the dialog has gone.
e2e_file_dialog() {
    local title=$1 path=$2 dialog
    dialog=$(e2e_window "$title")
    e2e_type "$dialog" "$path"
    e2e_key "$dialog" Return
    e2e_wait_no_window "$title"
}

# Waits until FILE exists and its bytes equal those of EXPECTED.
e2e_wait_bytes() {
    local file=$1 expected=$2
    for _ in $(seq $((E2E_TIMEOUT * 10))); do
        [ -f "$file" ] && cmp -s "$file" "$expected" && return 0
        sleep 0.1
    done
    [ -f "$file" ] || e2e_fail "$file was not written"
    e2e_fail "$file holds other bytes: $(od -An -tx1 "$file" | head -c 300)"
}

# The palette's selected tool, from the red outline.
e2e_palette_tool() {
    local px py shot="$E2E_TMP/palette.ppm"
    e2e_window_shot "$1" "$shot"
    read -r px py < <(e2e_palette_origin "$1")
    e2e_image outline "$shot" "$px" "$py"
}

e2e_wait_palette_tool() {
    local win=$1 want=$2 now=""
    for _ in $(seq $((E2E_TIMEOUT * 5))); do
        now=$(e2e_palette_tool "$win" || true)
        [ "$now" = "$want" ] && return 0
        sleep 0.2
    done
    e2e_fail "palette outline: '$now', expected tool $want"
}

# How many columns of the palette frame show anything but its background.
e2e_palette_ink() {
    local shot="$E2E_TMP/palette.ppm" h
    read -r _ _ _ h < <(e2e_geometry "$1")
    e2e_window_shot "$1" "$shot"
    e2e_image ink "$shot" 491 $((h - 484 + 375)) 103 103
}

# Waits until the palette is shown (editor) or hidden (game, title).
e2e_wait_palette() {
    local win=$1 want=$2 ink=0
    for _ in $(seq $((E2E_TIMEOUT * 5))); do
        ink=$(e2e_palette_ink "$win")
        if [ "$want" = shown ] && [ "$ink" -gt 0 ]; then return 0; fi
        if [ "$want" = hidden ] && [ "$ink" -eq 0 ]; then return 0; fi
        sleep 0.2
    done
    e2e_fail "the palette is not $want"
}
