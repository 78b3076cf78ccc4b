#!/usr/bin/env bash
# A region-sized map against the default map: trakmoor.bin (Release) opens a short track in the
# middle of a grid of renumbered, moved copies of the real extracts of tests/data/osm, once as
# .osm and once as .osm.pbf (written by osmium-tool), and reports the time from main() to the
# first frame that shows the track over the map, with the process's peak memory; then the same
# for the built-in sample over the default map.  Also OSM reading against osmium-tool.
# Usage: bench/region_map_bench.sh [WAYS...]   (default 250000 1000000; maps kept in build/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps bench
build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTRAKMOOR_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target trakmoor make_region_map >/dev/null
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(250000 1000000)

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
while [ ! -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# first frame with the track over the map: seconds, and peak resident memory in MB
probe() {
    TRAKMOOR_FIRST_FRAME_PROBE=track /usr/bin/time -f "%M" -o "$work/time" \
        "$build/trakmoor.bin" "$@" 2>"$work/probe" >/dev/null || true
    awk -v peak="$(cat "$work/time")" '/first track frame after/ { printf "%.2f s to the first frame, peak %.0f MB", $5 / 1000, peak / 1024 }' "$work/probe"
}

sources=()
for f in tests/data/osm/*.osm; do
    case "$(basename "$f")" in regression-*) ;; *) sources+=("$f") ;; esac
done
printf '%-34s %s\n' "default map, built-in sample" "$(probe)"
for ways in "${sizes[@]}"; do
    xml="$build/region-$ways.osm"
    [ -s "$xml" ] || "$build/bench/make_region_map" "$ways" "$xml" "${sources[@]}" 2>"$work/made"
    [ -s "$xml.pbf" ] || osmium cat "$xml" -o "$xml.pbf" --overwrite 2>/dev/null
    # A track of two kilometres from the node nearest the region's middle (the copies leave gaps
    # between them), as a tour recorded in one of its towns would be.
    read -r lat lon < <(awk '/<node / { match($0, /lat="[^"]*"/); la = substr($0, RSTART + 5, RLENGTH - 6) + 0;
        match($0, /lon="[^"]*"/); lo = substr($0, RSTART + 5, RLENGTH - 6) + 0;
        n++; L[n] = la; O[n] = lo
        if (la > maxla || n == 1) maxla = la; if (la < minla || n == 1) minla = la
        if (lo > maxlo || n == 1) maxlo = lo; if (lo < minlo || n == 1) minlo = lo }
        END { cla = (minla + maxla) / 2; clo = (minlo + maxlo) / 2; best = 1e9
              for (i = 1; i <= n; i++) { d = (L[i] - cla) ^ 2 + (O[i] - clo) ^ 2; if (d < best) { best = d; k = i } }
              printf "%.6f %.6f\n", L[k], O[k] }' "$xml")
    gpx="$work/tour.gpx"
    cat >"$gpx" <<GPX
<?xml version="1.0"?>
<gpx version="1.1" creator="bench"><trk><trkseg>
<trkpt lat="$lat" lon="$lon"/><trkpt lat="$(echo "$lat + 0.01" | bc)" lon="$(echo "$lon + 0.015" | bc)"/>
</trkseg></trk></gpx>
GPX
    echo "--- $ways ways: $(( $(stat -c %s "$xml") / 1000000 )) MB as .osm, $(( $(stat -c %s "$xml.pbf") / 1000000 )) MB as .osm.pbf"
    printf '%-34s %s\n' ".osm" "$(probe "$gpx" "$xml")"
    printf '%-34s %s\n' ".osm.pbf" "$(probe "$gpx" "$xml.pbf")"
    /usr/bin/time -f "%e %M" -o "$work/time" osmium cat "$xml.pbf" -f opl -o /dev/null --overwrite
    read -r wall peak <"$work/time"
    printf '%-34s %.2f s, peak %.0f MB\n' "osmium cat .osm.pbf to OPL" "$wall" "$((peak / 1024))"
done
