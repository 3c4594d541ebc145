#!/usr/bin/env bash
# Start-up cost of the game against a bare Qt Widgets window, measured the same way for
# both on a private Xvfb (see startup_probe.py for what is timed and how).
#
#   bench/startup.sh [BUILD_DIR] [ROUNDS] [OTHER_RUN_DIR]   default build/dev, 40 rounds
#
# With OTHER_RUN_DIR (a run folder of another build, say of an earlier commit), its game is
# measured in the same rounds as a third program, for a comparison under equal conditions.
#
# Each round starts the bare window (bench/bare_window) and the game (in its run folder),
# one after the other, and records for each: the time until its first top-level window is
# mapped, the processor time it had used by then, the time until the first drawing on the
# screen after that map, and its VmRSS once it is ready (the game: its level chooser has
# been mapped; the bare window: it has been mapped) and has been left alone for 300 ms.
# The medians are printed at the end, with the game's figures as a multiple of the bare
# window's. A last run of each counts the context switches of every thread over
# IDLE_SECONDS (default 3; 0 skips it) while the program sits idle.
#
# Run it on an otherwise idle machine: both programs need the processor for most of their
# start, and other load stretches each by a different factor.
#
# Environment: BENCH_AUDIODRIVER is given to the game as SDL_AUDIODRIVER (default dummy,
# an audio device that always opens; set it empty to let SDL pick the platform's own).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/dev}
rounds=${2:-40}
other=${3:-}
idle=${IDLE_SECONDS:-3}
game="$build/run/prismcrate"
bare="$build/bench/bare_window"
probe="$PWD/bench/startup_probe.py"
for f in "$game" "$bare"; do
    [ -x "$f" ] || { echo "missing $f (build the targets prismcrate, prismcrate_standard_set and bare_window)" >&2; exit 2; }
done
game=$(cd "$(dirname "$game")" && pwd)/prismcrate
bare=$(cd "$(dirname "$bare")" && pwd)/bare_window
if [ -n "$other" ]; then
    [ -x "$other/prismcrate" ] || { echo "missing $other/prismcrate" >&2; exit 2; }
    other=$(cd "$other" && pwd)/prismcrate
fi

tmp=$(mktemp -d)
xvfb=""
cleanup() {
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT

exec {fd}>"$tmp/display"
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
exec {fd}>&-
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"
mkdir -p "$tmp/runtime"
chmod 0700 "$tmp/runtime"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$tmp/runtime" HOME="$tmp/runtime"
audio=${BENCH_AUDIODRIVER-dummy}

run_bare() { IDLE_SECONDS=${1:-0} "$probe" 1 300 "$bare"; }
run_game() {
    local program=${2:-$game}
    (cd "$(dirname "$program")" && IDLE_SECONDS=${1:-0} SDL_AUDIODRIVER=$audio \
        "$probe" 2 300 "$program")
}
run_other() { run_game "${1:-0}" "$other"; }

# One unmeasured start of each fills the page cache.
run_bare >/dev/null
run_game >/dev/null
[ -z "$other" ] || run_other >/dev/null
for i in $(seq "$rounds"); do
    echo "bare $(run_bare)" >>"$tmp/figures"
    echo "game $(run_game)" >>"$tmp/figures"
    [ -z "$other" ] || echo "other $(run_other)" >>"$tmp/figures"
done

python3 - "$tmp/figures" "$rounds" "$audio" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    who, *pairs = line.split()
    rows.setdefault(who, []).append({k: float(v) for k, v in (p.split("=") for p in pairs)})
def median(who, key):
    return statistics.median(r[key] for r in rows[who])
columns = [c for c in ("game", "other") if c in rows]
print(f"{sys.argv[2]} rounds each, SDL_AUDIODRIVER={sys.argv[3] or '(unset)'}; medians, "
      "and each game's as a multiple of the bare window's:")
print(f"{'':24}{'bare Qt':>9}" + "".join(f"{c:>9}{'ratio':>7}" for c in columns))
for key, label in (("map", "first window mapped, ms"), ("cpu", "processor time by then"),
                   ("drawn", "first frame drawn, ms"),
                   ("ready", "ready (chooser), ms"), ("rss_kb", "VmRSS when ready, MiB")):
    scale = 1024 if key == "rss_kb" else 1
    b = median("bare", key)
    cells = "".join(f"{median(c, key) / scale:9.1f}{median(c, key) / b:7.2f}" for c in columns)
    print(f"{label:24}{b / scale:9.1f}{cells}")
PY

if [ "$idle" != 0 ]; then
    echo "context switches per thread over ${idle} s idle:"
    echo "  bare Qt: $(run_bare "$idle" | sed 's/.*switches=//')"
    echo "  game:    $(run_game "$idle" | sed 's/.*switches=//')"
    [ -z "$other" ] || echo "  other:   $(run_other "$idle" | sed 's/.*switches=//')"
fi
