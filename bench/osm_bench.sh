#!/usr/bin/env bash
# Builds the OSM reader bench (Release), makes a large OSM XML file from renumbered copies of the
# real extracts in tests/data/osm, and times the reader against `osmium cat` to OPL on that file.
# Usage: bench/osm_bench.sh [MIN_MEGABYTES]   (default 100; the file is kept in build/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps bench
min_mb=${1:-100}
build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTRAKMOOR_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target osm_bench >/dev/null

large="$build/osm-large-${min_mb}mb.osm"
if [ ! -s "$large" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # renumber wants its input sorted by type and id; not every extract is.
    sources=()
    for f in tests/data/osm/*.osm; do
        sorted="$work/sorted-$(basename "$f" .osm).osm.pbf"
        osmium sort "$f" -o "$sorted" --overwrite 2>/dev/null
        sources+=("$sorted")
    done
    round=0
    total=0
    parts=()
    # Each copy gets its own id range, so copies never share an id; every source holds far
    # fewer than a million objects of each kind.
    while [ "$total" -lt $((min_mb * 1000000)) ]; do
        for i in "${!sources[@]}"; do
            start=$(( (round * ${#sources[@]} + i + 1) * 1000000 ))
            part="$work/part-$round-$i.osm.pbf"
            osmium renumber -s "$start,$start,$start" "${sources[$i]}" -o "$part" --overwrite 2>/dev/null
            parts+=("$part")
            total=$((total + $(stat -c %s "tests/data/osm/$(basename "${sources[$i]}" .osm.pbf | sed 's/^sorted-//').osm")))
        done
        round=$((round + 1))
    done
    osmium merge "${parts[@]}" -o "$large" -f osm --overwrite
fi
size=$(stat -c %s "$large")
echo "large file: $large ($((size / 1000000)) MB, $(grep -c '<node ' "$large") nodes)"

timing=$(mktemp)
for run in 1 2 3; do
    echo "--- run $run"
    "$build/bench/osm_bench" "$large" 3 | tee "$timing.reader"
    /usr/bin/time -o "$timing" -f "%e %U %S %M" osmium cat "$large" -f opl -o /dev/null --overwrite
    read -r wall user sys peak <"$timing"
    reader=$(sed -n 's/^reader: best [0-9.]* s (\([0-9]*\) MB\/s).*/\1/p' "$timing.reader")
    awk -v s="$size" -v w="$wall" -v u="$user" -v y="$sys" -v p="$peak" -v r="$reader" 'BEGIN {
        o = s / 1e6 / w
        printf "osmium cat to OPL: %.2f s wall (%.2f s CPU), %.0f MB/s, peak %.1f MB\n", w, u + y, o, p * 1024 / 1e6
        printf "reader / osmium throughput: %.1f times\n", r / o
        printf "osmium CPU throughput: %.0f MB/s of CPU\n", s / 1e6 / (u + y)
    }'
done
rm -f "$timing" "$timing.reader"
