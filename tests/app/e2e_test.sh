#!/usr/bin/env bash
# The real program under its own virtual X server and a small window manager: the command line and
# its exit codes, the window's title and size, fullscreen, and the two ways a user ends it.
#   e2e_test.sh PROGRAM BUILD_DIR
# Leaves a picture of the main window at BUILD_DIR/e2e-main-window.png for a person to look at.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: e2e_test.sh PROGRAM BUILD_DIR" >&2
    exit 2
fi
program=$(realpath "$1")
build_dir=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb evilwm xdotool import convert python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/deps test" >&2; exit 1; }
done

title="Trakmoor 0.0.0"
usage="Usage: trakmoor.bin [--window-size WIDTHxHEIGHT|fullscreen] [TRACK.gpx] [MAP.osm]"
timeout_s=20 # an ASan build on a busy machine starts in seconds, not milliseconds

# SDL and the libraries it loads (D-Bus) keep a few blocks until the process ends; only those
# are excused, everything of our own is still checked.
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
unset SDL_VIDEODRIVER SDL_RENDER_DRIVER WINEUSERNAME

work=$(mktemp -d)
background=() # Xvfb, the window manager and every program started, killed on any way out
cleanup() {
    for pid in "${background[@]}"; do
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# wait_until SECONDS COMMAND...: polls COMMAND every 50 ms until it succeeds or time is up.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# A child that has exited but was not reaped yet still answers kill -0, so look at its state.
running() {
    [ -r "/proc/$1/stat" ] && [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" != Z ]
}
stopped() { ! running "$1"; }

# --- Command-line errors: usage text on stderr, exit code 2, no window needed ---------------------

check_usage_error() {
    local out="$work/usage.out" err="$work/usage.err" status
    (cd "$work" && env -u DISPLAY "$program" "$@" >"$out" 2>"$err")
    status=$?
    [ "$status" -eq 2 ] || fail "$* exited with $status, expected 2"
    printf '%s\n' "$usage" | cmp -s - "$err" || fail "$* wrote to stderr: $(head -c 300 "$err")"
    [ ! -s "$out" ] || fail "$* wrote to stdout: $(head -c 300 "$out")"
}

for size in 849x700 900x649 8193x700 900X700 900x700x; do
    check_usage_error --window-size "$size"
done
check_usage_error --bogus
check_usage_error a.gpx b.osm c.osm
check_usage_error --window-size
check_usage_error a.gpx --window-size
check_usage_error --window-size 1024x768 --window-size 1024x768

# --- A virtual screen with a window manager, which is what grants fullscreen ----------------------

# No GLX: Mesa's software GL driver is unloaded before the leak check runs, so what it keeps would
# show up as leaks no suppression can name. SDL then renders with its software renderer.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -extension GLX \
    3>"$work/display" 2>"$work/xvfb.log" &
background+=($!)
if ! wait_until "$timeout_s" test -s "$work/display"; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(cat "$work/display")"
read -r screen_width screen_height < <(xdotool getdisplaygeometry)

evilwm -bw 0 >"$work/wm.log" 2>&1 &
background+=($!)
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
if ! wait_until "$timeout_s" wm_ready; then
    echo "the window manager did not start:" >&2
    cat "$work/wm.log" >&2
    exit 1
fi

# --- One run of the program -----------------------------------------------------------------------

pid=""
window=""
run_dir=""

find_window() {
    window=$(xdotool search --onlyvisible --name "^${title//./\\.}\$" 2>/dev/null | head -1)
    [ -n "$window" ] || stopped "$pid"
}

# start NAME ARGS...: starts the program in a fresh folder of its own, so that nothing it needs can
# come from the current folder, and waits for its window.
start() {
    run_dir="$work/$1"
    shift
    mkdir -p "$run_dir"
    (cd "$run_dir" && exec "$program" "$@" >stdout 2>stderr) &
    pid=$!
    background+=("$pid")
    window=""
    wait_until "$timeout_s" find_window
    if [ -z "$window" ]; then
        fail "no window titled \"$title\" for $*"
        show_stderr
        finish
        return 1
    fi
}

show_stderr() {
    grep -v '^Charmap' "$run_dir/stderr" | tail -40 >&2
}

# finish [EXPECTED_STATUS]: waits for the program to end (killing it when it does not) and checks
# its exit code.
finish() {
    local status
    if ! wait_until "$timeout_s" stopped "$pid"; then
        fail "the program did not end"
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid"
    status=$?
    if [ $# -gt 0 ] && [ "$status" -ne "$1" ]; then
        fail "exit code $status, expected $1"
        show_stderr
    fi
}

window_size_is() {
    local WIDTH=0 HEIGHT=0
    eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
    actual_size="${WIDTH}x${HEIGHT}"
    [ "$actual_size" = "$1" ]
}

# The window manager may still be settling the size when the window shows, so this polls.
check_size() {
    actual_size=""
    wait_until "$timeout_s" window_size_is "$1" ||
        fail "window is $actual_size, expected $1 ($2)"
}

# Window pictures are compared until two in a row are equal: the first frames may still be coming.
window_settled() {
    import -window "$window" "$work/shot.png" 2>/dev/null || return 1
    local sum
    sum=$(convert "$work/shot.png" rgb:- | md5sum)
    [ "$sum" = "${last_sum:-}" ] && return 0
    last_sum=$sum
    return 1
}

# --- No arguments: the sample, the default size; closed like a window manager's close button -------

if start no-arguments; then
    check_size 1100x720 "no arguments"
    last_sum=""
    if wait_until "$timeout_s" window_settled; then
        cp "$work/shot.png" "$build_dir/e2e-main-window.png"
        # The window background is light grey; a window left black or white was never painted.
        share=$(convert "$work/shot.png" -fill black +opaque '#F0F0F0' -fill white -opaque '#F0F0F0' \
            -colorspace gray -format '%[fx:mean]' info:)
        awk -v s="$share" 'BEGIN { exit !(s > 0.1) }' ||
            fail "only $share of the main window has its background colour"
    else
        fail "the main window's picture never settled"
    fi
    python3 "$here/close_window.py" "$window" || fail "could not ask the window to close"
    finish 0
fi

# --- Window sizes from the command line, ended with SIGTERM -----------------------------------------

for size in 1024x768 "1024 x 768"; do
    if start sized --window-size "$size"; then
        check_size 1024x768 "--window-size \"$size\""
        kill -TERM "$pid"
        finish 0
    fi
done

if start fullscreen --window-size fullscreen; then
    check_size "${screen_width}x${screen_height}" "--window-size fullscreen"
    kill -TERM "$pid"
    finish 0
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all end-to-end checks passed"
