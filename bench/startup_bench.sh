#!/usr/bin/env bash
# Start-up time of trakmoor.bin (Release) against Viking showing the same sample track, in one run
# on one virtual X server (1600x1000, no window manager, the machine's own GL for either program).
#   [PROBE_EVERY=MS] bench/startup_bench.sh [RUNS] [TRACK.gpx]
#       (default 7 runs of each program, alternating, after one discarded warm-up run of each; with
#       TRACK.gpx both programs open that file, trakmoor.bin with the default map beside it)
#
# Both programs are measured from outside the same way by bench/startup_probe.py: the clock starts
# right before the program is started;
#   "window mapped"  is when its main window becomes visible;
#   "final picture"  is when the window first showed the picture it still shows 2 s later: its
#                    pixels are read back from the X server every PROBE_EVERY (5) milliseconds and
#                    the time of the last change counts. For Viking this is the track drawn over its empty map.
#   "track colour"   is when the track line's colour first appears: 50 pixels of Viking's green,
#                    1,000 of trakmoor.bin's blue (its logo and buttons hold a few of that blue).
# trakmoor.bin is started without arguments (the built-in sample track and the default map, whose
# reading is part of its start-up); Viking is given the same track as data/sample.gpx, with a
# prepared configuration: no first-run dialog, no default online map layer, no version check, a
# window of 1100x720 like trakmoor.bin's. Viking runs without the accessibility bus and with
# in-memory settings, since this X server has no session bus that could answer them.
# trakmoor.bin is also run with TRAKMOOR_FIRST_FRAME_PROBE=1 and =track: it then reports the time
# from its main() to its first presented frame, or to the first frame showing the track, and quits
# ("own probe").
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps bench
runs=${1:-7}
# Milliseconds between two read-backs of the window; each costs CPU the programs then lack.
every=${PROBE_EVERY:-5}
track=${2:-}
out=build/bench
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DTRAKMOOR_BENCH=ON >/dev/null
cmake --build "$out" -j"$(nproc)" --target trakmoor >/dev/null
program=$root/$out/trakmoor.bin
probe=$root/bench/startup_probe.py

work=$(mktemp -d)
xvfb=""
cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 400); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"

viking_home=$work/viking-home
prepare_viking() {
    # Written afresh before every run: Viking may rewrite its settings when it ends.
    rm -rf "$viking_home"
    mkdir -p "$viking_home/.config/viking"
    printf '%s\n' viking.startup.add_default_map_layer=false viking.startup.check_version=false \
        viking.startup.restore_window_state=true >"$viking_home/.config/viking/viking.prefs"
    printf '%s\n' '[viking]' window_width=1100 window_height=720 window_maximized=false \
        window_fullscreen=false >"$viking_home/.config/viking/viking.ini"
}

# The track opened, as trakmoor.bin's arguments and Viking's file.
trakmoor_args=()
viking_track=$root/data/sample.gpx
if [ -n "$track" ]; then
    cp "$track" "$work/track.gpx"
    cp data/data.osm "$work/track.osm" # beside the track, so nothing is downloaded
    trakmoor_args=("$work/track.gpx")
    viking_track=$work/track.gpx
fi

run_trakmoor() {
    (cd "$work" && python3 "$probe" --title '^Trakmoor [0-9.]+$' --colour 1461B3 --pixels 1000 \
        --every "$every" \
        -- "$program" "${trakmoor_args[@]}")
}
run_viking() {
    prepare_viking
    (cd "$work" && HOME=$viking_home XDG_CONFIG_HOME=$viking_home/.config NO_AT_BRIDGE=1 \
        GSETTINGS_BACKEND=memory python3 "$probe" --title 'Viking$' --colour 2D870A --every "$every" \
        -- viking "$viking_track")
}
# 1: main() to the first presented frame; track: to the first frame showing the track.
run_own_probe() {
    (cd "$work" && TRAKMOOR_FIRST_FRAME_PROBE=$1 "$program" "${trakmoor_args[@]}" 2>&1 >/dev/null |
        sed -n 's/^first \(track \)\?frame after \([0-9.]*\) ms$/\2/p')
}

echo "warm-up: trakmoor.bin $(run_trakmoor), viking $(run_viking)"
: >"$work/results"
for run in $(seq "$runs"); do
    read -r mapped final colour < <(run_trakmoor | tr '=' ' ' | awk '{print $2, $4, $6}')
    own=$(run_own_probe 1)
    owntrack=$(run_own_probe track)
    read -r vmapped vfinal vcolour < <(run_viking | tr '=' ' ' | awk '{print $2, $4, $6}')
    echo "run $run: trakmoor.bin mapped $mapped colour $colour final $final own $own/$owntrack | viking mapped $vmapped final $vfinal colour $vcolour"
    printf 'trakmoor.bin window-mapped %s\ntrakmoor.bin track-colour %s\n' "$mapped" "$colour" \
        >>"$work/results"
    printf 'trakmoor.bin final-picture %s\n' "$final" >>"$work/results"
    printf 'trakmoor.bin first-frame-(own-probe) %s\n' "$own" >>"$work/results"
    printf 'trakmoor.bin track-frame-(own-probe) %s\n' "$owntrack" >>"$work/results"
    printf 'viking window-mapped %s\nviking final-picture %s\nviking track-colour %s\n' \
        "$vmapped" "$vfinal" "$vcolour" >>"$work/results"
done

echo
python3 - "$work/results" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    program, measure, value = line.split()
    if value not in ("", "-"):
        rows.setdefault((program, measure.replace("-", " ")), []).append(float(value))
print(f"{'program':<14}{'measure':<26}{'best ms':>9}{'median ms':>11}{'runs':>6}")
for (program, measure), values in rows.items():
    print(f"{program:<14}{measure:<26}{min(values):>9.0f}{statistics.median(values):>11.0f}{len(values):>6}")
PY
