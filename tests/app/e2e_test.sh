#!/usr/bin/env bash
# The real program under its own virtual X server and a small window manager: command-line errors,
# a toolkit that cannot start, the window's size, fullscreen, the two ways a user ends it, and
# keys, clicks and the file dialog changing the picture where they should.
#   e2e_test.sh PROGRAM BUILD_DIR  (leaves BUILD_DIR/e2e-main-window.png for a person to look at)
set -uo pipefail

program=$(realpath "$1")
build_dir=$(realpath "$2")
title="Trakmoor ${TRAKMOOR_VERSION:?}"
usage=$'Usage: trakmoor.bin [--window-size WIDTHxHEIGHT|fullscreen] [TRACK] [MAP.osm]\n       trakmoor.bin --info TRACK [--json]'
source "$(dirname "$0")/x_session.sh"

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
# --info needs no display: the panel's rows of a FIT file on stdout, and JSON that parses.
fit_file="$(dirname "$0")/../data/fit/fitparse__garmin-fenix-5-walk.fit"
(env -u DISPLAY "$program" --info "$fit_file" | grep -qx 'Avg. heart rate: 75 bpm') ||
    fail "--info did not print the heart rate"
(env -u DISPLAY "$program" --info "$fit_file" --json | python3 -c 'import json,sys; json.load(sys.stdin)') ||
    fail "--info --json printed no JSON"
SDL_VIDEODRIVER=nosuchdriver run_without_window 1 'Trakmoor initialization failed: [^'$'\n'']+'
# No display at all: the program ends and says why (SDL's Wayland attempt may add its own line).
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY timeout "$timeout_s" "$program" >/dev/null \
    2>"$work/err")
status=$?
[ "$status" -eq 1 ] && tail -1 "$work/err" | grep -q '^Trakmoor initialization failed: no display' ||
    fail "without a display: exit $status, $(tail -c 300 "$work/err")"

start_x_session
read -r screen_width screen_height < <(xdotool getdisplaygeometry)

# The window manager may still be settling the size when the window shows, so this is polled.
window_size_is() {
    actual_size=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null |
        awk -F= '$1 == "WIDTH" { w = $2 } $1 == "HEIGHT" { h = $2 } END { print w "x" h }')
    [ "$actual_size" = "$1" ]
}
check_size() {
    wait_until "$timeout_s" window_size_is "$1" || fail "window is $actual_size, expected $1 ($2)"
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
        python3 "$here/track_on_screen.py" "$work/shot.png" "$here/../../data/sample.gpx" ||
            fail "the sample is not drawn where the projection puts it"
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
if start; then
    # The GPX dialog opens in the program's folder: a short name is typed, which xdotool cannot
    # garble under load as it sometimes does a long path.
    cp "$here/../data/gpx/gpxpy__korita-zbevnica.gpx" "$run_dir/tour.gpx"
    cp "$here/../data/osm/graphhopper__test-osm6.osm" "$run_dir/tour.osm" # so nothing is downloaded
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
    xdotool windowfocus --sync "$dialog" type --delay 20 tour.gpx 2>/dev/null
    last_sum="" && wait_until "$timeout_s" dialog_settled
    xdotool windowfocus --sync "$dialog" key Return 2>/dev/null
    act opened open sleep 0.2
    # shellcheck disable=SC2086
    [ "$(region map $info_list)" != "$(region opened $info_list)" ] || fail "no new track shown"
    ! dialog || fail "the dialog stayed open"
    wait_until "$timeout_s" close_by_key || fail "the window manager's delete key did not end it"
    finish 0
fi

# After resizes the program idles again; a click on the map takes the keys from an angle field.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
if start; then
    for size in "1300 800" "900 650" "1100 720"; do # back at the design size of the regions
        # shellcheck disable=SC2086
        xdotool windowsize --sync "$window" $size 2>/dev/null
    done
    xdotool windowfocus --sync "$window" key F11 sleep 1 key F11 2>/dev/null
    shot resized
    before=$(cpu_ticks) && sleep 3 && after=$(cpu_ticks)
    # 3 % of a core at most (sanitizers included); redrawing every frame takes ten times that.
    [ $((after - before)) -le $(($(getconf CLK_TCK) * 3 * 3 / 100)) ] ||
        fail "idle after resizing: $((after - before)) ticks in 3 s"
    xdotool mousemove --window "$window" 900 164 click 1 type 30 2>/dev/null
    xdotool key Return mousemove --window "$window" 360 60 click 1 2>/dev/null
    shot clicked && previous=clicked
    act zoomed step key plus
    kill -TERM "$pid"
    finish 0
fi

report end-to-end
