#!/usr/bin/env bash
# Merging 40 map pieces of about 1 MB: map_pieces_bench (OsmMerger, into a file and into features)
# beside osmium merge of the same pieces.  Usage: bench/map_pieces_bench.sh [BUILD_DIR] [TRACK.gpx ...]
set -euo pipefail
build=${1:-build/bench}
shift || true
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TRAKMOOR_PIECES_DIR=$work nice -n 10 "$build/bench/map_pieces_bench" "$@" \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
echo "osmium merge of the same 40 pieces (3 runs, wall seconds):"
for _ in 1 2 3; do
    /usr/bin/time -f "  %e s, %M KB peak" nice -n 10 osmium merge --overwrite -o "$work/merged.osm" "$work"/piece-*.osm
done
