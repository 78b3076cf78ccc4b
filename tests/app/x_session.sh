# For the tests that drive the real program under its own X server and window manager.  Sourced
# after `title` is set; $work and every process started here go at the end.

timeout_s=60 # an ASan build on a busy machine may take many seconds to start; waits poll, so
            # a healthy run never waits this long
# SDL's D-Bus connection keeps a few blocks until the process ends; only those are excused.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
unset SDL_VIDEODRIVER SDL_RENDER_DRIVER
for tool in Xvfb evilwm xdotool import convert identify python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/deps test" >&2; exit 1; }
done

work=$(mktemp -d)
background=() # Xvfb, the window manager and every program started
# Only what still runs is ended, and only through this shell's own jobs: the pid of a program that
# ended long ago may by now be another process's (every developer's builds and tests share the pid
# numbers, which wrap at 32768), such as another test's X server.  SIGTERM lets Xvfb take its socket
# out of /tmp/.X11-unix; what has not ended after a few seconds is killed.
end_session() {
    local running
    running=$(jobs -pr)
    [ -z "$running" ] || kill -TERM $running 2>/dev/null
    all_ended() { [ -z "$(jobs -pr)" ]; }
    wait_until 10 all_ended
    running=$(jobs -pr)
    [ -z "$running" ] || kill -KILL $running 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap end_session EXIT
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

# A virtual screen with a window manager, which is what grants fullscreen.  No GLX: Mesa's software
# GL driver is unloaded before the leak check runs, so what it keeps would show up as leaks no
# suppression can name; SDL then renders with its software renderer.  The window manager's own
# default font comes with a package the tests do not install, so it is given "fixed".
start_x_session() {
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -extension GLX -noreset \
        3>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    background+=("$xvfb")
    # The number is written whole, then a line break: only a whole line is a display number.
    displayed() { [ "$(tail -c 1 "$work/display")" = "" ] && [ -s "$work/display" ]; }
    wait_until "$timeout_s" displayed || { cat "$work/xvfb.log" >&2; exit 1; }
    DISPLAY=":$(head -1 "$work/display")" && export DISPLAY
    evilwm -fn fixed -bw 0 >"$work/wm.log" 2>&1 &
    wm=$!
    background+=("$wm")
    wm_ready() {
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || stopped "$wm"
    }
    wait_until "$timeout_s" wm_ready && ! stopped "$wm" || {
        echo "no window manager on $DISPLAY: $(cat "$work/wm.log")" >&2
        stopped "$xvfb" && echo "Xvfb has ended" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    }
}

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
# The window shows before the files are read and the first frames may still be coming, so pictures
# are taken into $work/shot.png until two in a row are equal, and the light grey background covers
# a good part of it (a window left black or white was never painted).  Clear last_sum first.
window_settled() {
    import -window "$window" "$work/shot.png" 2>/dev/null || return 1
    background_share=$(convert "$work/shot.png" -fill black +opaque '#F0F0F0' -fill white \
        -opaque '#F0F0F0' -colorspace gray -format '%[fx:mean]' info:)
    awk -v s="$background_share" 'BEGIN { exit !(s > 0.1) }' || return 1
    local sum
    sum=$(convert "$work/shot.png" rgb:- | md5sum)
    [ "$sum" = "$last_sum" ] || { last_sum=$sum; return 1; }
}
report() {
    [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
    echo "all $1 checks passed"
}
