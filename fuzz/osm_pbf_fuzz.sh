#!/usr/bin/env bash
# Builds the map file fuzz target with clang and fuzzes it, niced and single-job, seeded with the
# real map files of tests/data/osm converted to .osm.pbf (and .osm.gz) by osmium-tool.
# Usage: fuzz/osm_pbf_fuzz.sh [SECONDS] [extra libFuzzer options...]   (default 1800)
# Findings land in build/fuzz/artifacts-pbf.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-1800}
shift || true
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAKMOOR_FUZZ=ON \
    -DTRAKMOOR_SANITIZE=ON >/dev/null
cmake --build "$build" -j2 --target osm_pbf_fuzz >/dev/null
mkdir -p "$build/seeds-pbf" "$build/corpus-pbf" "$build/artifacts-pbf"
for f in tests/data/osm/*.osm; do
    osmium cat "$f" -o "$build/seeds-pbf/$(basename "$f").pbf" --overwrite
    osmium cat "$f" -o "$build/seeds-pbf/$(basename "$f").gz" --overwrite
done
cd "$build"
exec nice -n 19 ./fuzz/osm_pbf_fuzz -max_len=262144 -rss_limit_mb=1536 \
    -max_total_time="$seconds" -timeout=60 -artifact_prefix=artifacts-pbf/ "$@" corpus-pbf seeds-pbf
