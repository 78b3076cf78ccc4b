#!/bin/sh
# Runs the catalogue check on small source trees around copies of the real catalogues and makes
# sure it catches what it is there to catch.  Usage: catalogue_check_test.sh SOURCE_DIR
set -u
source_dir=${1:?usage: catalogue_check_test.sh SOURCE_DIR}
tree=$(mktemp -d) || exit 1
trap 'rm -rf "$tree"' EXIT
de=$tree/data/locale/po/trakmoor/de.po
failures=0

# expect SOURCE_TEXT SED_SCRIPT TEXT...: with one source file holding SOURCE_TEXT and de.po edited
# by SED_SCRIPT, the check must fail and say every TEXT.
expect() {
    rm -rf "${tree:?}"/* && mkdir -p "$tree/src/app" "$tree/data/locale/po" || exit 1
    cp -R "$source_dir/data/locale/po/trakmoor" "$source_dir/data/locale/po/olvenkit" \
        "$tree/data/locale/po/"
    printf '%s\n' "$1" >"$tree/src/app/Engine.cpp"
    sed -i "$2" "$de"
    shift 2
    ! sh "$source_dir/tests/app/catalogue_check.sh" "$tree" >"$tree/out" 2>&1 || missing=exit-status
    for text in "$@"; do
        grep -qF -- "$text" "$tree/out" || missing="$missing, $text"
    done
    [ -z "$missing" ] && return
    echo "NOT OK, missing $missing:" && cat "$tree/out"
    failures=$((failures + 1)) missing=""
}
missing=""

# A new message, an emptied translation, translations that lose a blank or the final punctuation.
expect 'void f() { _("Export track"); _("Zoom out"); _("File not found: "); _(" of ");
    _("Could not open OSM map: "); }' \
    '/^msgid "Zoom out"$/{n;s/.*/msgstr ""/}
     s/^msgstr "Datei nicht gefunden: "$/msgstr "Datei nicht gefunden:"/
     s/^msgstr " von "$/msgstr "von "/
     s/^msgstr "\(OSM-Karte .*\): "$/msgstr "\1 "/' \
    'lacks these messages' '"Export track"' untranslated '"Zoom out"' \
    '"File not found: " -> "Datei nicht gefunden:"' '" of " -> "von "' \
    '"Could not open OSM map: " -> "OSM-Karte konnte nicht geöffnet werden "'
# shellcheck disable=SC2016 # a sed script
expect 'void f() { _("Open GPX"); }' '$a\
msgid "Broken\nmsgstr "Kaputt"' "de.po does not compile"
exit "$failures"
