#!/usr/bin/env bash
# Pictures without a window, trakmoor.bin (Release), whole processes from start to exit:
#   - --export of the sample over its map as a 1100x720 PNG (goal: under 0.3 s);
#   - the thumbnailer's own command line for the sample at 256 pixels (goal: under 0.3 s);
#   - an 8192x8192 PNG of the sample over the largest map, data/data.osm: time and peak memory.
#   bench/export_bench.sh [RUNS]   (default 9 runs of each small picture; the median is reported)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-9}
out=build/bench
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DTRAKMOOR_BENCH=ON >/dev/null
cmake --build "$out" -j2 --target trakmoor >/dev/null
program=$root/$out/trakmoor.bin
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
cp data/sample.gpx "$work/ride.gpx" && cp data/data.osm "$work/ride.osm"
cd "$work"
unset DISPLAY WAYLAND_DISPLAY

# median_seconds COMMAND...: the median wall time of RUNS runs, after one warm-up run.
median_seconds() {
    "$@" >/dev/null
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" >/dev/null
        echo "$(( $(date +%s%N) - start ))"
    done | sort -n | awk '{ t[NR] = $1 } END { printf "%.3f", t[int((NR + 1) / 2)] / 1e9 }'
}

thumbnail=$(sed -n 's/^Exec=trakmoor //p' "$root/data/trakmoor.thumbnailer")
thumbnail=${thumbnail//%o/thumb.png} && thumbnail=${thumbnail//%s/256} && thumbnail=${thumbnail//%i/ride.gpx}
# shellcheck disable=SC2086
printf '%-44s %8s s\n' "--export 1100x720 PNG (median of $runs)" \
    "$(median_seconds "$program" --export ride.png --size 1100x720 ride.gpx)" \
    "thumbnailer at 256 (median of $runs)" "$(median_seconds "$program" $thumbnail)" \
    "--export 1100x720 PDF (median of $runs)" \
    "$(median_seconds "$program" --export ride.pdf --size 1100x720 ride.gpx)"
/usr/bin/time -f '%e %M' -o big.time "$program" --export big.png --size 8192x8192 ride.gpx
read -r seconds kilobytes <big.time
printf '%-44s %8s s, peak %d MB, file %d MB\n' "--export 8192x8192 PNG" "$seconds" \
    $((kilobytes / 1024)) $(($(stat -c %s big.png) / 1048576))
