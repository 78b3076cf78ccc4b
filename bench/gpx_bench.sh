#!/usr/bin/env bash
# Compares readGpxFile with gpsbabel reading the same large GPX files, in one run: throughput and
# peak memory, each reader in a process of its own, their runs taking turns so that the load of a
# shared machine falls on both alike.  Two shapes of over 200,000 track points, made from real files
# of the test data by repeating their tracks: a plain one (ele and time) and a sport watch's (ele,
# time and an extension on every point).   bench/gpx_bench.sh [RUNS]
# Goals: at least 1.5 times gpsbabel's throughput, peak memory at most three times the file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps bench
runs=${1:-5}
out=build/bench
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DTRAKMOOR_BENCH=ON >/dev/null
cmake --build "$out" -j"$(nproc)" --target gpx_read_bench >/dev/null

# make_shape SOURCE REPEATS TARGET
make_shape() {
    python3 - "$2" "$1" "$3" <<'PY'
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
}

# measure COMMAND...: prints "seconds peak-kilobytes" of one run.
measure() {
    local start end peak
    start=$(date +%s.%N)
    peak=$( { /usr/bin/time -f %M "$@" >/dev/null; } 2>&1 | tail -1)
    end=$(date +%s.%N)
    echo "$(echo "$end - $start" | bc -l) $peak"
}

status=0
for shape in plain:gpxpy__korita-zbevnica.gpx:250 extensions:georust__garmin-activity.gpx:210; do
    IFS=: read -r name source repeats <<<"$shape"
    file=$out/big-$name.gpx
    make_shape "tests/data/gpx/$source" "$repeats" "$file"
    points=$(grep -c '<trkpt' "$file")
    bytes=$(stat -c %s "$file")
    ours=99999 babel=99999 oursPeak=0 babelPeak=0
    for ((run = 0; run < runs; run++)); do
        read -r t m < <(measure "$out/bench/gpx_read_bench" "$file" 1)
        ours=$(echo "if ($t < $ours) $t else $ours" | bc -l)
        oursPeak=$((m > oursPeak ? m : oursPeak))
        read -r t m < <(measure gpsbabel -i gpx -f "$file" -o unicsv -F /dev/null)
        babel=$(echo "if ($t < $babel) $t else $babel" | bc -l)
        babelPeak=$((m > babelPeak ? m : babelPeak))
    done
    ratio=$(echo "$babel / $ours" | bc -l)
    memory=$(echo "$oursPeak * 1024 / $bytes" | bc -l)
    printf '%s: %s, %d track points, %.1f MB (best of %d runs each)\n' \
        "$name" "$source x $repeats" "$points" "$(echo "$bytes / 1000000" | bc -l)" "$runs"
    printf '  readGpxFile %.3f s, %6.0f points/s, peak %6.1f MB (%.2f x the file)\n' \
        "$ours" "$(echo "$points / $ours" | bc -l)" "$(echo "$oursPeak / 1024" | bc -l)" "$memory"
    printf '  gpsbabel    %.3f s, %6.0f points/s, peak %6.1f MB\n' \
        "$babel" "$(echo "$points / $babel" | bc -l)" "$(echo "$babelPeak / 1024" | bc -l)"
    verdict=met
    if [ "$(echo "$ratio < 1.5 || $memory > 3" | bc -l)" = 1 ]; then verdict=MISSED; status=1; fi
    printf '  throughput %.2f x gpsbabel (goal 1.5), memory %.2f x the file (goal 3): %s\n' \
        "$ratio" "$memory" "$verdict"
done
exit $status
