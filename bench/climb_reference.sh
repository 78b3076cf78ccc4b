#!/usr/bin/env bash
# Sets ascent, descent and moving time of every recorded track in the test data (and of the
# built-in sample) beside gpxpy's uphill, downhill and moving time, as a Markdown table.
#   bench/climb_reference.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps bench
out=build/bench
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DTRAKMOOR_BENCH=ON >/dev/null
cmake --build "$out" -j"$(nproc)" --target climb_figures >/dev/null
"$out/bench/climb_figures" data/sample.gpx tests/data/gpx/*.gpx 2>/dev/null >"$out/climb_figures.tsv"
# Debian's gpxpy is installed for the system's own interpreter.
/usr/bin/python3 - "$out/climb_figures.tsv" data/sample.gpx tests/data/gpx/*.gpx <<'PY'
import sys
from pathlib import Path
import gpxpy

ours = {}
for line in open(sys.argv[1]):
    name, track, points, up, down, moving, duration = line.split("\t")
    ours[name, int(track)] = (int(points), float(up), float(down), int(moving), int(duration))
print("| file | track | points | ascent | gpxpy uphill | descent | gpxpy downhill "
      "| moving time | gpxpy moving | duration |")
print("|---|---|---|---|---|---|---|---|---|---|")
for path in sys.argv[2:]:
    gpx = gpxpy.parse(open(path, encoding="utf-8-sig"))
    for index, track in enumerate(gpx.tracks):
        mine = ours.get((Path(path).name, index))
        # Recordings only: the many two-point snippets of a location history say nothing.
        if not mine or mine[0] < 20:
            continue
        climb = track.get_uphill_downhill()
        moving = track.get_moving_data()
        print(f"| {Path(path).name} | {track.name or index + 1} | {mine[0]} | {mine[1]:.0f} "
              f"| {climb.uphill:.0f} | {mine[2]:.0f} | {climb.downhill:.0f} | {mine[3]} "
              f"| {moving.moving_time:.0f} | {mine[4]} |")
PY
