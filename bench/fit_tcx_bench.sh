#!/usr/bin/env bash
# Compares reading FIT and TCX files with gpsbabel reading the same files, in one run: time and
# peak memory, each reader in a process of its own, their runs taking turns so that the load of a
# shared machine falls on both alike.  The FIT file is the largest real one of the test data
# chained to itself until it holds over 200,000 records; the TCX file is the largest real one.
#   bench/fit_tcx_bench.sh [RUNS]
# Goals: FIT at least 5 times as fast as gpsbabel with a peak under twice the file; TCX at least
# twice as fast.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps bench
runs=${1:-5}
out=build/bench
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DTRAKMOOR_BENCH=ON >/dev/null
cmake --build "$out" -j2 --target track_read_bench >/dev/null

fit_source=$(ls -S tests/data/fit/*.fit | head -1)
fit=$out/chained.fit
# A FIT file may follow another in the same file: the chain is the file repeated.
records=$(gpsbabel -t -i garmin_fit -f "$fit_source" -o unicsv -F - | tail -n +2 | wc -l)
[ "$records" -gt 0 ] || { echo "gpsbabel found no records in $fit_source" >&2; exit 1; }
repeats=$(((200000 + records - 1) / records))
: >"$fit"
for ((i = 0; i < repeats; i++)); do cat "$fit_source" >>"$fit"; done
tcx=$(ls -S tests/data/tcx/*.tcx | head -1)

# measure COMMAND...: prints "seconds peak-kilobytes" of one run.
measure() {
    local start end peak
    start=$(date +%s.%N)
    peak=$( { /usr/bin/time -f %M "$@" >/dev/null; } 2>&1 | tail -1)
    end=$(date +%s.%N)
    echo "$(echo "$end - $start" | bc -l) $peak"
}

status=0
# compare NAME FILE GPSBABEL-FORMAT SPEED-GOAL MEMORY-GOAL (0: none) GPSBABEL-INPUTS...
compare() {
    local name=$1 file=$2 format=$3 speedGoal=$4 memoryGoal=$5
    shift 5
    local ours=99999 babel=99999 oursPeak=0 babelPeak=0 t m points bytes
    for ((run = 0; run < runs; run++)); do
        read -r t m < <(measure "$out/bench/track_read_bench" "$file" 1)
        ours=$(echo "if ($t < $ours) $t else $ours" | bc -l)
        oursPeak=$((m > oursPeak ? m : oursPeak))
        read -r t m < <(measure gpsbabel -t -i "$format" "$@" -o unicsv -F /dev/null)
        babel=$(echo "if ($t < $babel) $t else $babel" | bc -l)
        babelPeak=$((m > babelPeak ? m : babelPeak))
    done
    points=$("$out/bench/track_read_bench" "$file" | cut -d' ' -f1)
    bytes=$(stat -c %s "$file")
    local ratio memory verdict=met
    ratio=$(echo "$babel / $ours" | bc -l)
    memory=$(echo "$oursPeak * 1024 / $bytes" | bc -l)
    printf '%s: %s, %d points, %.2f MB (best of %d runs each)\n' "$name" "$(basename "$file")" \
        "$points" "$(echo "$bytes / 1000000" | bc -l)" "$runs"
    printf '  trakmoor %.3f s, peak %6.1f MB (%.2f x the file)\n' "$ours" \
        "$(echo "$oursPeak / 1024" | bc -l)" "$memory"
    printf '  gpsbabel %.3f s, peak %6.1f MB\n' "$babel" "$(echo "$babelPeak / 1024" | bc -l)"
    if [ "$(echo "$ratio < $speedGoal" | bc -l)" = 1 ]; then verdict=MISSED; status=1; fi
    if [ "$memoryGoal" != 0 ] && [ "$(echo "$memory >= $memoryGoal" | bc -l)" = 1 ]; then
        verdict=MISSED
        status=1
    fi
    printf '  %.2f x as fast as gpsbabel (goal %s)' "$ratio" "$speedGoal"
    [ "$memoryGoal" = 0 ] || printf ', memory goal under %s x the file' "$memoryGoal"
    printf ': %s\n' "$verdict"
}

# gpsbabel reads only the first file of a chain; it is given the same records as that many
# input files of its one process instead.
inputs=()
for ((i = 0; i < repeats; i++)); do inputs+=(-f "$fit_source"); done
compare FIT "$fit" garmin_fit 5 2 "${inputs[@]}"
compare TCX "$tcx" gtrnctr 2 0 -f "$tcx"
exit $status
