#!/usr/bin/env bash
# Builds the OSM reader fuzz target with clang and fuzzes it, niced and single-job, seeded with
# the real map files of tests/data/osm cut at line boundaries into pieces the fuzzer can mutate,
# each piece a whole <osm> element, and with small files rewritten on one line and in single quotes.
# Usage: fuzz/osm_reader_fuzz.sh [SECONDS] [extra libFuzzer options...]   (default 1800)
# Findings land in build/fuzz/artifacts; keep each fixed one as tests/data/osm/regression-*.osm.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-1800}
shift || true
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAKMOOR_FUZZ=ON \
    -DTRAKMOOR_SANITIZE=ON >/dev/null
cmake --build "$build" -j2 --target osm_reader_fuzz >/dev/null
mkdir -p "$build/seeds" "$build/corpus" "$build/artifacts"
for f in tests/data/osm/*.osm; do
    awk -v out="$build/seeds/$(basename "$f")" \
        '{ chunk = chunk $0 "\n" } length(chunk) > 8000 { print "<osm>\n" chunk "</osm>" > (out "." n++); chunk = "" }
         END { if (chunk != "") print "<osm>\n" chunk "</osm>" > (out "." n) }' "$f"
done
for f in tests/data/osm/graphhopper__bautzen.osm tests/data/osm/graphhopper__test-osm6.osm; do
    tr -d '\n' <"$f" | tr '"' "'" >"$build/seeds/$(basename "$f").oneline"
done
cd "$build"
exec nice -n 19 ./fuzz/osm_reader_fuzz -jobs=1 -workers=1 -max_len=16384 \
    -dict=../../fuzz/osm_reader.dict -max_total_time="$seconds" -rss_limit_mb=1536 \
    -malloc_limit_mb=32 -timeout=60 -artifact_prefix=artifacts/ "$@" corpus seeds
