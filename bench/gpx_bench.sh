#!/usr/bin/env bash
# Compares readGpxFile with gpsbabel reading the same large GPX file, in one run.
# The file (over 200,000 track points with elevation and time) is made from a real file of the
# test data by repeating its tracks.   bench/gpx_bench.sh [REPEATS]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps bench
repeats=${1:-250}
out=build/bench
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DTRAKMOOR_BENCH=ON >/dev/null
cmake --build "$out" -j"$(nproc)" --target gpx_read_bench >/dev/null

big=$out/big-track.gpx
python3 - "$repeats" tests/data/gpx/gpxpy__korita-zbevnica.gpx "$big" <<'PY'
import sys
repeats, source, target = int(sys.argv[1]), sys.argv[2], sys.argv[3]
text = open(source, encoding="utf-8").read()
start = text.index("<trk>")
end = text.rindex("</trk>") + len("</trk>")
with open(target, "w", encoding="utf-8") as out:
    out.write(text[:start])
    for _ in range(repeats):
        out.write(text[start:end] + "\n")
    out.write(text[end:])
PY
echo "file: $big, $(grep -c '<trkpt' "$big") track points, $(du -m "$big" | cut -f1) MB"

"$out/bench/gpx_read_bench" "$big" 5

best=""
for run in 1 2 3 4 5; do
    start=$(date +%s.%N)
    gpsbabel -i gpx -f "$big" -o unicsv -F /dev/null
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
done
peak=$( { /usr/bin/time -f %M gpsbabel -i gpx -f "$big" -o unicsv -F /dev/null; } 2>&1 | tail -1)
points=$(grep -c '<trkpt' "$big")
echo "gpsbabel: best of 5 runs $(printf %.3f "$best") s, $(echo "$points / $best" | bc) points/s, peak memory $(echo "scale=1; $peak / 1024" | bc) MB"
