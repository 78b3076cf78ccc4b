#!/usr/bin/env bash
# trakmoor.bin --export with no display: the sample as PNG, PDF and SVG (the PDF rendered by
# poppler looks like the PNG and holds the map's names as text), FIT and TCX tracks, and every bad
# request ends with 1, a reason, and no file left behind.   export_test.sh PROGRAM SOURCE_DIR
set -uo pipefail
program=$1 source_dir=$2
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*" && failed=1; }
unset DISPLAY WAYLAND_DISPLAY
export LANG=C.UTF-8 SDL_VIDEODRIVER=nosuchdriver
cp "$source_dir/data/sample.gpx" "$work/ride.gpx" && cp "$source_dir/data/data.osm" "$work/ride.osm"
cd "$work" || exit 1

"$program" --export ride.png ride.gpx || fail "PNG"
"$program" --export ride.pdf ride.gpx || fail "PDF"
"$program" --export ride.svg ride.gpx || fail "SVG"
for track in fit/fitparse__garmin-fenix-5-bike.fit tcx/gpsbabel__history.tcx; do
    "$program" --export "${track#*/}.png" --size 64 --no-legend "$source_dir/tests/data/$track" ||
        fail "$track"
done
"$program" --export big.png --graph --size 1100x720 --track 1 ride.gpx ride.osm || fail "graph"
[ "$(identify -format %wx%h ride.png)" = 520x522 ] || fail "PNG size $(identify ride.png)"
[ "$(identify -format %wx%h big.png)" = 1100x720 ] || fail "PNG size $(identify big.png)"
pdfinfo ride.pdf | grep -q 'Page size: *390 x 391.5 pts' || fail "PDF page: $(pdfinfo ride.pdf)"
pdftoppm -png -r 96 -singlefile ride.pdf poppler || fail "poppler cannot render the PDF"
# Loosely: edges and glyphs are smoothed differently, so blocks of 4 x 4 pixels are compared.
convert ride.png -scale 25% small-png.png && convert poppler.png -scale 25% small-pdf.png
rmse=$(compare -metric RMSE small-png.png small-pdf.png null: 2>&1 | sed 's/.*(\(.*\))/\1/')
rm -f poppler.png small-png.png small-pdf.png
[ "$(echo "$rmse < 0.04" | bc)" = 1 ] || fail "PDF rendering differs from the PNG: $rmse"
for name in Landstrasse Rhein "Major road"; do
    pdftotext ride.pdf - | grep -q "$name" || fail "no text \"$name\" in the PDF"
done
xmllint --noout ride.svg && grep -q 'width="520px" height="522px"' ride.svg || fail "SVG"
[ "$(ls -A | sort | tr '\n' ' ')" = "big.png fitparse__garmin-fenix-5-bike.fit.png gpsbabel__history.tcx.png ride.gpx ride.osm ride.pdf ride.png ride.svg " ] ||
    fail "files: $(ls -A)"

# bad request | the start of the message
mkdir folder.png
while IFS='|' read -r arguments message; do
    # shellcheck disable=SC2086
    output=$("$program" --export ${arguments//DATA/$source_dir/tests/data} 2>&1)
    status=$?
    [ $status = 1 ] && [[ $output == "$message"* ]] || fail "$arguments: $status $output"
done <<'TABLE'
x.png --size 0 ride.gpx|Picture size must be WIDTHxHEIGHT or SIZE, 1 to 8192 pixels: 0
x.png --size 100000 ride.gpx|Picture size must be WIDTHxHEIGHT or SIZE, 1 to 8192 pixels: 100000
x.png --size abc ride.gpx|Picture size must be WIDTHxHEIGHT or SIZE, 1 to 8192 pixels: abc
x.png --size 8193x10 ride.gpx|Picture size must be WIDTHxHEIGHT or SIZE, 1 to 8192 pixels: 8193x10
x.bmp ride.gpx|Unknown picture type (use .png, .pdf or .svg): x.bmp
gone/x.png ride.gpx|Folder not found: gone
/proc/x.png ride.gpx|Could not save picture: /proc/x.png: 
folder.png ride.gpx|Could not save picture: folder.png: Is a directory
x.png gone.gpx|File not found: gone.gpx
x.png ride.osm|Not a GPX file: ride.osm
x.png --track 2 ride.gpx|No such track: 2 (1)
x.png DATA/fit/fitparse__Settings.fit|Could not load FIT: 
x.png ride.gpx ride.gpx|Invalid OSM map
x.png --frames ride.gpx|Unexpected argument: --frames
x.png|No track file given
TABLE
[ -z "$(ls -A folder.png)" ] && [ ! -e x.png ] && [ ! -e x.bmp ] || fail "left behind: $(ls -A . folder.png)"
[ $failed = 0 ] && echo "export: all passed"
exit $failed
