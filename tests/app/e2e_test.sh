#!/usr/bin/env bash
# The real program under its own virtual X server and a small window manager: command-line errors,
# a toolkit that cannot start, the window's size, fullscreen, the two ways a user ends it, and
# keys, clicks and the file dialog changing the picture where they should.
#   e2e_test.sh PROGRAM BUILD_DIR  (leaves BUILD_DIR/e2e-main-window.png for a person to look at)
set -uo pipefail

program=$(realpath "$1")
build_dir=$(realpath "$2")
for tool in Xvfb evilwm xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/deps test" >&2; exit 1; }
done
title="Trakmoor 0.0.0"
usage="Usage: trakmoor.bin [--window-size WIDTHxHEIGHT|fullscreen] [TRACK.gpx] [MAP.osm]"
timeout_s=60 # an ASan build on a busy machine may take many seconds to start; waits poll, so
            # a healthy run never waits this long
# SDL's D-Bus connection keeps a few blocks until the process ends; only those are excused.
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
unset SDL_VIDEODRIVER SDL_RENDER_DRIVER

work=$(mktemp -d)
background=() # Xvfb, the window manager and every program started
trap 'kill -KILL "${background[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
failures=0
fail() { echo "FAIL: $*" >&2 && failures=$((failures + 1)); }
# wait_until SECONDS COMMAND...: polls COMMAND until it succeeds or the time is up.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do [ "$SECONDS" -lt "$deadline" ] && sleep 0.05 || return 1; done
}
# A child that has exited but was not reaped yet still answers kill -0, so look at its state.
stopped() { [ ! -r "/proc/$1/stat" ] || [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" = Z ]; }

# run_without_window STATUS STDERR ARGS...: runs the program from an empty folder without a
# display; it must end with STATUS, print nothing on stdout and one line on stderr that STDERR (an
# extended regular expression) matches whole.
run_without_window() {
    local expected=$1 pattern=$2 status what=${*:3}
    shift 2
    (cd "$work" && env -u DISPLAY "$program" "$@" >"$work/out" 2>"$work/err")
    status=$?
    [ "$status" -eq "$expected" ] || fail "'$what' exited with $status, expected $expected"
    [[ $(cat "$work/err"; echo .) =~ ^$pattern$'\n'\.$ ]] ||
        fail "'$what' wrote to stderr: $(head -c 300 "$work/err")"
    [ ! -s "$work/out" ] || fail "'$what' wrote to stdout: $(head -c 300 "$work/out")"
}

usage_pattern=$(printf '%s' "$usage" | sed 's/[][|.]/\\&/g')
for line in "--window-size 849x700" "--window-size" "--bogus" "a.gpx b.osm c.osm" \
    "--window-size 1024x768 --window-size 1024x768"; do
    read -ra arguments <<<"$line"
    run_without_window 2 "$usage_pattern" "${arguments[@]}"
done
SDL_VIDEODRIVER=nosuchdriver run_without_window 1 'Trakmoor initialization failed: [^'$'\n'']+'

# A virtual screen with a window manager, which is what grants fullscreen.  No GLX: Mesa's software
# GL driver is unloaded before the leak check runs, so what it keeps would show up as leaks no
# suppression can name; SDL then renders with its software renderer.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -extension GLX \
    3>"$work/display" 2>"$work/xvfb.log" &
background+=($!)
wait_until "$timeout_s" test -s "$work/display" || { cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=":$(cat "$work/display")" && export DISPLAY
read -r screen_width screen_height < <(xdotool getdisplaygeometry)
evilwm -bw 0 -fn fixed >"$work/wm.log" 2>&1 &
background+=($!)
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until "$timeout_s" wm_ready || { cat "$work/wm.log" >&2; exit 1; }

find_window() {
    window=$(xdotool search --onlyvisible --name "^${title//./\\.}\$" 2>/dev/null | head -1)
    [ -n "$window" ] || stopped "$pid"
}
# start ARGS...: starts the program in a fresh folder, so that nothing it needs can come from the
# current one, and waits for its window.
start() {
    run_dir=$(mktemp -d -p "$work")
    (cd "$run_dir" && exec "$program" "$@" >stdout 2>stderr) &
    pid=$!
    background+=("$pid")
    window=""
    wait_until "$timeout_s" find_window
    [ -n "$window" ] && return
    fail "no window titled \"$title\" for $*"
    finish
    return 1
}
# finish [STATUS]: waits for the program to end (killing it when it does not) and checks its exit
# code; shows its stderr when that is wrong or not given.
finish() {
    wait_until "$timeout_s" stopped "$pid" || { fail "the program did not end"; kill -KILL "$pid"; }
    wait "$pid"
    local status=$?
    [ $# -eq 1 ] && [ "$status" -eq "$1" ] && return
    [ $# -eq 0 ] || fail "exit code $status, expected $1"
    grep -v '^Charmap' "$run_dir/stderr" | tail -40 >&2
}
# The window manager may still be settling the size when the window shows, so this is polled.
window_size_is() {
    actual_size=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null |
        awk -F= '$1 == "WIDTH" { w = $2 } $1 == "HEIGHT" { h = $2 } END { print w "x" h }')
    [ "$actual_size" = "$1" ]
}
check_size() {
    wait_until "$timeout_s" window_size_is "$1" || fail "window is $actual_size, expected $1 ($2)"
}
# The window shows before the files are read and the first frames may still be coming, so pictures
# are taken until two in a row are equal, and the light grey background covers a good part of it
# (a window left black or white was never painted).
window_settled() {
    import -window "$window" "$work/shot.png" 2>/dev/null || return 1
    background_share=$(convert "$work/shot.png" -fill black +opaque '#F0F0F0' -fill white \
        -opaque '#F0F0F0' -colorspace gray -format '%[fx:mean]' info:)
    awk -v s="$background_share" 'BEGIN { exit !(s > 0.1) }' || return 1
    local sum
    sum=$(convert "$work/shot.png" rgb:- | md5sum)
    [ "$sum" = "$last_sum" ] || { last_sum=$sum; return 1; }
}
# The window manager's delete key sends WM_DELETE_WINDOW, as a close button does.  It acts on the
# window under the pointer once the manager has seen the pointer arrive, so it is pressed again
# until the program has gone.
close_by_key() {
    xdotool mousemove --window "$window" 50 50 key ctrl+alt+Escape 2>/dev/null
    wait_until 1 stopped "$pid"
}

# No arguments: the sample at the default size, closed like with a window manager's close button.
if start; then
    check_size 1100x720 "no arguments"
    last_sum="" background_share=0
    if wait_until "$timeout_s" window_settled; then
        cp "$work/shot.png" "$build_dir/e2e-main-window.png"
    else
        fail "no settled, painted picture (background share $background_share)"
    fi
    wait_until "$timeout_s" close_by_key || fail "the window manager's delete key did not end it"
    finish 0
fi

# Window sizes from the command line, ended with SIGTERM.
for size in 1024x768 "1024 x 768" fullscreen; do
    expected=1024x768
    [ "$size" = fullscreen ] && expected="${screen_width}x${screen_height}"
    if start --window-size "$size"; then
        check_size "$expected" "--window-size \"$size\""
        kill -TERM "$pid"
        finish 0
    fi
done

# Using it: keys, clicks on graph and map, and a track opened through the dialog, each seen in
# a settled picture.  Regions (x y w h) at the design size.
status_line="8 698 1084 22" map_panel="340 42 520 522" info_list="10 102 320 592"
region() { convert "$work/$1.png" -crop "$4x$5+$2+$3" +repage rgb:- | md5sum; }
shot() {
    last_sum="" && wait_until "$timeout_s" window_settled || fail "no settled picture for $1"
    cp "$work/shot.png" "$work/$1.png"
}
# act NAME WHAT XDOTOOL-ARGS...: acts on the focused window, then the picture NAME must differ from
# the one before in the status line (and in the map panel, once it shows more than its grid).
act() {
    local name=$1 what=$2 colours
    shift 2
    xdotool windowfocus --sync "$window" "$@" 2>/dev/null
    shot "$name"
    colours=$(convert "$work/$previous.png" -crop 520x522+340+42 -unique-colors -format %w info:)
    for area in "$status_line" $([ "$colours" -gt 8 ] && [ "$what" = step ] && echo map); do
        [ "$area" = map ] && area=$map_panel
        # shellcheck disable=SC2086
        [ "$(region "$previous" $area)" != "$(region "$name" $area)" ] || fail "$name: $area same"
    done
    previous=$name
}
tracks="$work/tracks" && mkdir -p "$tracks"
cp "$here/../data/gpx/gpxpy__korita-zbevnica.gpx" "$tracks/tour.gpx"
cp "$here/../data/osm/graphhopper__test-osm6.osm" "$tracks/tour.osm" # so nothing is downloaded
if start; then
    shot start && previous=start
    act end step key End
    act back step key Page_Down
    act graph click mousemove --window "$window" 352 600 click 1
    act map click mousemove --window "$window" 600 303 click 1
    xdotool windowfocus --sync "$window" key ctrl+o 2>/dev/null
    dialog() { dialog=$(xdotool search --onlyvisible --name '^Open GPX$' 2>/dev/null); }
    wait_until "$timeout_s" dialog || fail "Ctrl+O opened no dialog"
    # The program takes one event a frame: Return goes once the typed name shows in full.
    dialog_settled() {
        local sum
        sum=$(import -window "$dialog" rgb:- 2>/dev/null | md5sum)
        [ "$sum" = "$last_sum" ] || { last_sum=$sum && return 1; }
    }
    xdotool windowfocus --sync "$dialog" type --delay 5 "$tracks/tour.gpx" 2>/dev/null
    last_sum="" && wait_until "$timeout_s" dialog_settled
    xdotool windowfocus --sync "$dialog" key Return 2>/dev/null
    act opened open sleep 0.2
    # shellcheck disable=SC2086
    [ "$(region map $info_list)" != "$(region opened $info_list)" ] || fail "no new track shown"
    ! dialog || fail "the dialog stayed open"
    wait_until "$timeout_s" close_by_key || fail "the window manager's delete key did not end it"
    finish 0
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all end-to-end checks passed"
