#!/usr/bin/env bash
# Resident size of the program while it takes random keys, clicks, drags and wheel turns through
# a virtual X server, as a user hammering at it would.  Prints one line per STEP inputs.
#   bench/soak_rss.sh [path/to/trakmoor.bin] [INPUTS] [STEP] [SEED]
set -euo pipefail
bin=$(realpath "${1:-build/release/trakmoor.bin}")
inputs=${2:-20000}
step=${3:-1000}
RANDOM=${4:-7}
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill "$pid" "$wm" "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
until [ -s "$work/display" ]; do sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"
evilwm -fn fixed -bw 0 >/dev/null 2>&1 &
wm=$!
sleep 1
# With a map beside the track nothing is downloaded, and no error box holds the window.
cp "$(dirname "$0")/../data/sample.gpx" "$work/ride.gpx"
cp "$(dirname "$0")/../tests/data/osm/graphhopper__test-osm6.osm" "$work/ride.osm"
(cd "$work" && exec "$bin" ride.gpx >/dev/null 2>&1) &
pid=$!
until window=$(xdotool search --onlyvisible --name '^Trakmoor' 2>/dev/null | head -1); do
    sleep 0.1
done
keys=(plus minus Escape F11 Home End Prior Next a b w h d m c f Left Right Up Down Return Tab
    ctrl+o 3 0 x BackSpace)
rss() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status"; }
echo "inputs RSS/MB"
echo "0 $(rss)"
for ((done = 0; done < inputs;)); do
    commands=()
    for ((i = 0; i < 50; ++i)); do
        x=$((RANDOM % 1100)) y=$((RANDOM % 720))
        case $((RANDOM % 10)) in
        0 | 1 | 2 | 3) commands+=(key "${keys[RANDOM % ${#keys[@]}]}") ;;
        4 | 5 | 6) commands+=(mousemove --window "$window" "$x" "$y" click $((1 + RANDOM % 3))) ;;
        7) commands+=(mousemove --window "$window" "$x" "$y" mousedown 3 mousemove_relative 30 20
            mouseup 3) ;;
        *) commands+=(mousemove --window "$window" "$x" "$y" click $((4 + RANDOM % 2))) ;;
        esac
    done
    xdotool "${commands[@]}" 2>/dev/null || true
    done=$((done + 50))
    [ $((done % step)) -ne 0 ] || echo "$done $(rss)"
    kill -0 "$pid" || { echo "the program ended" >&2; exit 1; }
done
